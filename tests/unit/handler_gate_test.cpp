// The gate's queue on its own: what it keeps of a flood, a refused post,
// and the tables of what it holds and what counts as a command.
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

  // A full queue refuses the post: the loop's timer lets the gate try again.
  rig.accepting = false;
  {
    ui::HandlerGate::Handler running(rig.gate);
    rig.Arrive(Kind::Command, 3);
  }
  EXPECT_EQ(rig.retries, 1);
  rig.accepting = true;
  rig.gate.Retry();
  EXPECT_EQ(rig.posts, 4);
  rig.gate.Drain();
  EXPECT_EQ(rig.log, (std::vector<std::uint32_t>{1, 2, 3}));
}

TEST(HandlerGateQueue, OnlyAHeldCommandCountsAsOneWaiting) {
  for (const auto& [kind, command] :
       {std::pair{Kind::Command, true}, {Kind::PointerMove, false}, {Kind::Restart, false}}) {
    GateRig rig;
    ui::HandlerGate::Handler running(rig.gate);
    rig.Arrive(kind, 1);
    EXPECT_EQ(rig.gate.CommandHeld(), command) << "kind " << static_cast<int>(kind);
  }
}

// What another thread sends while a handler waits is held when it is a
// user's input; what waits in the queue counts as a command when it is one.
TEST(HeldInput, MessagesHeldWhenSentAndCommandsWhenQueued) {
  const struct {
    const char* what;
    std::uint32_t message;
    std::intptr_t lParam;
    bool held, command;
  } rows[] = {
      {"BM_CLICK", 0xF5, 0, true, true},          {"WM_CLOSE", 0x10, 0, true, true},
      {"WM_KEYDOWN", 0x100, 0, true, true},       {"WM_CHAR", 0x102, 0, true, true},
      {"WM_UNICHAR", 0x109, 0, true, true},       {"WM_IME_CHAR", 0x286, 0, true, true},
      {"WM_COMMAND", 0x111, 0, true, true},       {"WM_SYSCOMMAND", 0x112, 0, true, true},
      {"WM_LBUTTONDOWN", 0x201, 0, true, true},   {"WM_RBUTTONUP", 0x205, 0, true, true},
      {"WM_XBUTTONDBLCLK", 0x20D, 0, true, true}, {"WM_NCLBUTTONDOWN", 0xA1, 0, false, true},
      {"WM_MOUSEWHEEL", 0x20A, 0, false, true},   {"WM_SETTEXT", 0x0C, 0, true, false},
      {"WM_VSCROLL", 0x115, 0, true, false},      {"WM_MOUSEMOVE", 0x200, 0, false, false},
      {"WM_GETTEXT", 0x0D, 0, false, false},      {"WM_PAINT", 0x0F, 0, false, false},
      {"WM_QUERYENDSESSION", 0x11, 0, false, false}, {"WM_TIMER", 0x113, 0, false, false},
      {"WM_MOUSEHWHEEL", 0x20E, 0, false, false}, {"tray click", ui::kTrayMessage, 515, true, true},
      {"tray menu, version 3", ui::kTrayMessage, 0x1007B, true, true},
      {"tray pointer move", ui::kTrayMessage, 512, true, false},
      {"tray pointer move, version 3", ui::kTrayMessage, 0x10200, true, false},
  };
  for (const auto& r : rows) {
    EXPECT_EQ(ui::HeldWhenSent(r.message), r.held) << r.what;
    EXPECT_EQ(ui::CommandWhenQueued(r.message, r.lParam), r.command) << r.what;
  }
}

}  // namespace
