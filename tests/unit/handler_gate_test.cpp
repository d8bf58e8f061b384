// The gate's queue on its own: what it keeps of a flood, and a refused post.
#include <gtest/gtest.h>

#include <vector>

#include "ui/handler_gate.h"

namespace {

using Kind = ui::Note::Kind;

struct GateRig {
  static bool Post(void* self) {
    auto* rig = static_cast<GateRig*>(self);
    ++rig->posts;
    return rig->accepting;
  }
  static void Deliver(const ui::Note& note) { delivered->push_back(note.serial); }

  void Arrive(Kind kind, std::uint32_t serial, const ui::Form* form = nullptr) {
    ui::Note note{form, 0, 0, 0, 0, kind};
    note.serial = serial;
    gate.Hold(note);
  }
  // The loop: handles what was posted until nothing is.
  void Pump() {
    while (gate.HeldCount() > 0) gate.Drain();
  }

  static inline std::vector<std::uint32_t>* delivered;
  std::vector<std::uint32_t> log;
  int posts = 0;
  bool accepting = true;
  ui::HandlerGate gate{&Post, this, &Deliver};
  GateRig() { delivered = &log; }
};

TEST(HandlerGateQueue, AFloodKeepsEveryCommandAndOnlyTheLatestOfAdjacentMoves) {
  GateRig rig;
  {
    ui::HandlerGate::Handler running(rig.gate);
    std::uint32_t serial = 0;
    // Runs of five moves, each followed by a command: the latest move of a
    // run is kept while the queue has room, commands always.
    for (int round = 0; round < 1000; ++round) {
      for (int m = 0; m < 5; ++m) rig.Arrive(Kind::PointerMove, ++serial);
      rig.Arrive(Kind::Command, ++serial);
    }
    rig.Arrive(Kind::PointerMove, ++serial);
    rig.Arrive(Kind::Restart, ++serial);
  }
  rig.Pump();
  const std::size_t kept = ui::HandlerGate::kMaxNotes / 2;  // rounds whose move found room
  ASSERT_EQ(rig.log.size(), 2 * kept + (1000 - kept) + 1);
  for (std::size_t i = 0, at = 0; i < 1000; ++i) {
    if (i < kept) EXPECT_EQ(rig.log[at++], 6 * i + 5) << "the latest move of run " << i;
    EXPECT_EQ(rig.log[at++], 6 * i + 6) << "the command of run " << i;
  }
  EXPECT_EQ(rig.log.back(), 6002u);
}

TEST(HandlerGateQueue, ForgettingAWindowAndDiscardingCommandsKeepTheRest) {
  GateRig rig;
  const auto* gone = reinterpret_cast<const ui::Form*>(&rig);
  {
    ui::HandlerGate::Handler running(rig.gate);
    rig.Arrive(Kind::Command, 1, gone);
    rig.Arrive(Kind::Command, 2);
    rig.Arrive(Kind::Restart, 3);
    rig.Arrive(Kind::PointerMove, 4);
    EXPECT_TRUE(rig.gate.CommandHeld());
    rig.gate.Forget(gone);
    rig.gate.DiscardCommands();
    EXPECT_FALSE(rig.gate.CommandHeld());
  }
  rig.Pump();
  EXPECT_EQ(rig.log, (std::vector<std::uint32_t>{3}));
}

TEST(HandlerGateQueue, PostsOncePerNoteAndNeverInsideAHandler) {
  GateRig rig;
  {
    ui::HandlerGate::Handler running(rig.gate);
    rig.Arrive(Kind::Command, 1);
    rig.Arrive(Kind::Command, 2);
    EXPECT_EQ(rig.posts, 0);
  }
  EXPECT_EQ(rig.posts, 1);
  rig.gate.Drain();
  EXPECT_EQ(rig.posts, 2) << "the second note needs a message of its own";
  rig.gate.Drain();
  EXPECT_EQ(rig.log, (std::vector<std::uint32_t>{1, 2}));
}

}  // namespace
