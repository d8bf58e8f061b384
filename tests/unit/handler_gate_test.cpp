// The gate on its own: what it keeps of a flood, a refused post, its tables.
#include <gtest/gtest.h>

#include <vector>

#include "ui/handler_gate.h"
#include "ui/held_input.h"

namespace {

using Kind = ui::Note::Kind;

struct GateRig {
  static bool Post(void* self) {
    auto* rig = static_cast<GateRig*>(self);
    ++rig->posts;
    return rig->accepting;
  }
  static void RetryLater(void* self) { ++static_cast<GateRig*>(self)->retries; }
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
  int posts = 0, retries = 0;
  bool accepting = true;
  ui::HandlerGate gate{&Post, &RetryLater, this, &Deliver};
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
    rig.Arrive(Kind::PointerMove, 5);
    EXPECT_FALSE(rig.gate.CommandHeld()) << "a restart and a pointer move are no commands";
  }
  rig.Pump();
  EXPECT_EQ(rig.log, (std::vector<std::uint32_t>{3, 5}));
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
  rig.accepting = false;
  {
    ui::HandlerGate::Handler running(rig.gate);
    rig.Arrive(Kind::Command, 3);
  }
  rig.accepting = true;
  rig.gate.Retry();
  EXPECT_EQ(std::pair(rig.retries, rig.posts), std::pair(1, 4)) << "a refused post is retried";
}

// Sent while a handler waits: held (a user's input) or handled at once. In
// the queue: a command, or no command (a tray move, in the lParam's low word).
TEST(HeldInput, MessagesHeldWhenSentAndCommandsWhenQueued) {
  const struct { std::uint32_t message; std::intptr_t lParam; bool held, command; } rows[] = {
      {0xF5, 0, true, true},    {0x102, 0, true, true},  {0x10, 0, true, true},  {0x205, 0, true, true},
      {0x0C, 0, true, false},   {0x115, 0, true, false}, {0xA1, 0, false, true}, {0x20A, 0, false, true},
      {0x200, 0, false, false}, {0x0D, 0, false, false}, {0x11, 0, false, false},
      {ui::kTrayMessage, 0x10205, true, true}, {ui::kTrayMessage, 0x10200, true, false}};
  for (const auto& r : rows) {
    EXPECT_EQ(std::pair(ui::HeldWhenSent(r.message), ui::CommandWhenQueued(r.message, r.lParam)),
              std::pair(r.held, r.command)) << "message 0x" << std::hex << r.message;
  }
}

}  // namespace
