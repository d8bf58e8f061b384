// A started main window over the in-memory window system and recording doubles.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <utility>

#include "forms/frmMain.h"
#include "platform/dates.h"
#include "platform/text.h"
#include "tests/doubles/recording_system.h"
#include "ui/memory/memory_toolkit.h"

// Watches the main window's handlers: whether one started inside another's
// own code. The loops that wait for the user are the top level again, and a
// menu choice is the menu's own result.
struct HandlerProbe {
  int depth = 0;
  int nestedStarts = 0;

  void Watch(frmMain& m, ui::memory::MemoryToolkit& toolkit) {
    ui::Form& f = *m.Window();
    Wrap(f.OnTrayNote, true);
    Wrap(f.OnShellRestart, true);
    Wrap(m.Timer->OnTimer, true);
    Wrap(m.TrayTimer->OnTimer, true);
    Wrap(m.cmdTimer->OnClick, true);
    Wrap(m.opt[0]->OnClick, true);
    Wrap(m.opt[1]->OnClick, true);
    Wrap(m.chkBlink->OnClick, true);
    Wrap(m.mnuExit->OnClick, false);
    Wrap(m.mnuAbout->OnClick, false);
    toolkit.aroundWait = [this](const std::function<void()>& wait) {
      const int saved = std::exchange(depth, 0);
      wait();
      depth = saved;
    };
  }

 private:
  template <class... Args>
  void Wrap(std::function<void(Args...)>& handler, bool checked) {
    handler = [this, inner = handler, checked](Args... args) {
      if (checked && depth > 0) ++nestedStarts;
      ++depth;
      inner(args...);
      --depth;
    };
  }
};

inline constexpr const char* kTestPage = "http://www.example.test/x.php?id=7";

// A started program of its own, for tables whose rows each need a fresh run
// (a version or a machine set before the start).
struct StartedProgram {
  doubles::RecordingSystem sys;
  ui::memory::MemoryToolkit toolkit;
  std::unique_ptr<frmMain> main;

  bool Start() {
    main = std::make_unique<frmMain>(toolkit, sys.system, kTestPage);
    return main->Form_Initialize();
  }
  ui::memory::MemoryForm& Win() { return *dynamic_cast<ui::memory::MemoryForm*>(main->Window()); }
  // Picks the list entry and presses the button, the delay in seconds.
  void Arm(int entry, int seconds) {
    Win().Choose(*main->cmbAction, entry);
    Win().Choose(*main->cmbUnit, 2);
    main->txtPeriod->SetText(std::to_string(seconds));
    Win().Click(*main->cmdTimer);
  }
  // The countdown's end: the clock past the deadline and one tick.
  void Fire() {
    sys.clock.Advance(3600);
    Win().Tick(*main->Timer);
  }
  std::size_t ActionCalls() const {
    return sys.CallsTo("ExitWindowsEx").size() + sys.CallsTo("SetSuspendState").size() +
           sys.CallsTo("LockWorkStation").size();
  }
};

// Armed, or idle again: the flag, the timer, the locked settings and the
// button's caption agree.
inline void ExpectArmed(frmMain& m, ui::memory::MemoryForm& win, bool armed) {
  EXPECT_EQ(m.bTimerOn, armed);
  EXPECT_EQ(win.TimerEnabled(*m.Timer), armed);
  EXPECT_EQ(m.frame->Enabled(), !armed);
  EXPECT_EQ(m.cmdTimer->Caption(), armed ? "禁止定时器(&D)" : "激活定时器(&E)");
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sys.clock.Set(2012, 10, 30, 10, 0, 0);
  }

  // Runs the start-up sequence; true when the window is up.
  bool Start() {
    main = std::make_unique<frmMain>(toolkit, sys.system, kTestPage);
    return main->Form_Initialize();
  }

  ui::memory::MemoryForm& Win() { return *dynamic_cast<ui::memory::MemoryForm*>(main->Window()); }
  ui::memory::MemoryForm* AboutWin() {
    return dynamic_cast<ui::memory::MemoryForm*>(main->About().Window());
  }
  // The tip of the last record handed to the shell.
  std::string LastTip() const { return sys.api.trayRecords.back().tip; }
  std::uint32_t LastTrayMessage() const { return TrayMessages().back(); }
  // The NIM_ message of every tray call so far.
  std::vector<std::uint32_t> TrayMessages() const {
    std::vector<std::uint32_t> messages;
    for (const auto& c : sys.TrayCalls()) messages.push_back(static_cast<std::uint32_t>(c.args[0]));
    return messages;
  }

  doubles::RecordingSystem sys;
  ui::memory::MemoryToolkit toolkit;
  std::unique_ptr<frmMain> main;
};
