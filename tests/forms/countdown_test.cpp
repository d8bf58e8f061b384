// The countdown tick: the status line, the warning blink and the firing.
#include "tests/forms/main_window_fixture.h"

namespace {

class CountdownTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    ASSERT_TRUE(Start());
    Win().Choose(*main->cmbUnit, 2);  // seconds
  }
  void ArmSeconds(const std::string& seconds) {
    main->txtPeriod->SetText(seconds);
    Win().Click(*main->cmdTimer);
  }
  // One tick, half a second after the last.
  void HalfSecondTick() {
    halfSeconds_ = !halfSeconds_;
    if (!halfSeconds_) sys.clock.Advance(1);
    Win().Tick(*main->Timer);
  }
  std::vector<std::uint32_t> IconsSent() const {
    std::vector<std::uint32_t> icons;
    for (const auto& r : sys.api.trayRecords) icons.push_back(r.hIcon);
    return icons;
  }
  static constexpr std::uint32_t kIcon = ui::memory::MemoryToolkit::kIcon;
  bool halfSeconds_ = false;
};

TEST_F(CountdownTest, EachNumberShowsOnTwoTicksAndZeroComesBeforeTheAction) {
  Win().Click(*main->chkBlink);  // no blink
  ArmSeconds("3");
  std::vector<std::string> labels;
  while (Win().Loaded() && labels.size() < 20) {
    HalfSecondTick();
    labels.push_back(main->lblStatus->Caption());
  }
  EXPECT_EQ(labels, (std::vector<std::string>{"3 秒后执行", "2 秒后执行", "2 秒后执行", "1 秒后执行",
                                              "1 秒后执行", "0 秒后执行"}));
  EXPECT_EQ(sys.CallsTo("ExitWindowsEx").size(), 1u);
  EXPECT_TRUE(main->bExiting);
  EXPECT_TRUE(toolkit.quit);
  EXPECT_EQ(LastTrayMessage(), 2u);
  // The tray saw only the add, the arming and the removal: the warning was off.
  EXPECT_EQ(IconsSent(), (std::vector<std::uint32_t>{kIcon, kIcon, kIcon}));
}

TEST_F(CountdownTest, BlinksInsideTheWarningPeriodAndCarriesThePhaseAcrossDisarming) {
  main->txtBlink->SetText("2");
  ArmSeconds("4");
  for (int i = 0; i < 4; ++i) HalfSecondTick();  // 4, 3, 3, 2: blinks on the 2 only
  Win().Click(*main->cmdTimer);                  // disarm after one blink
  EXPECT_EQ(IconsSent(), (std::vector<std::uint32_t>{kIcon, kIcon, 0, kIcon}));
  EXPECT_TRUE(main->bIconPhase);
  ArmSeconds("1");
  HalfSecondTick();  // 1 left: this blink shows the icon, the phase went on
  EXPECT_EQ(sys.api.trayRecords.back().hIcon, kIcon);
  EXPECT_EQ(LastTrayMessage(), 1u);
  EXPECT_EQ(LastTip(), "程序将要在2012-10-30 10:00:03执行关机") << "the tip stays";
  EXPECT_FALSE(main->bIconPhase);
}

TEST_F(CountdownTest, WarningOffNeverTouchesTheIcon) {
  Win().Click(*main->chkBlink);
  ArmSeconds("5");
  const std::size_t sent = sys.api.trayRecords.size();
  for (int i = 0; i < 6; ++i) HalfSecondTick();
  EXPECT_EQ(sys.api.trayRecords.size(), sent);
}

TEST_F(CountdownTest, TheFiringTickBlinksBeforeTheAction) {
  main->txtBlink->SetText("30");
  ArmSeconds("1");
  HalfSecondTick();
  HalfSecondTick();
  ASSERT_FALSE(Win().Loaded());
  const auto routines = sys.Routines({"GetVersionExA", "GetCurrentProcess", "OpenProcessToken",
                                      "LookupPrivilegeValueA", "AdjustTokenPrivileges", "CloseHandle"});
  const std::vector<std::string> tail(routines.end() - 3, routines.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"Shell_NotifyIconW", "ExitWindowsEx", "Shell_NotifyIconW"}));
}

TEST_F(CountdownTest, AClockJumpPastTheDeadlineShowsZeroAndFires) {
  ArmSeconds("60");
  sys.clock.Advance(3600);
  Win().Tick(*main->Timer);
  EXPECT_EQ(main->lblStatus->Caption(), "0 秒后执行");
  EXPECT_EQ(sys.CallsTo("ExitWindowsEx").size(), 1u);
}

TEST_F(CountdownTest, ADeadlineEqualToTheArmingMomentFiresOnTheFirstTick) {
  sys.clock.Set(2012, 10, 30, 10, 30, 0);
  Win().Click(*main->opt[1]);
  main->txtHour->SetText("10");
  main->txtMin->SetText("30");
  Win().Click(*main->cmdTimer);
  Win().Tick(*main->Timer);
  EXPECT_EQ(main->lblStatus->Caption(), "0 秒后执行");
  EXPECT_FALSE(Win().Loaded());
}

// Each action at the deadline with the force flag captured at arming: an
// exit is a planned one, and unforced from Windows 2000 on hung programs do
// not hold it; a reduced hibernation file refuses 睡眠 at the press.
TEST(Countdown, EachActionPerformsItsRowOnItsVersion) {
  constexpr long long P = 0x80000000, H = 0x10;  // planned; force if hung
  struct Row {
    std::uint32_t platform, major, minor;
    int entry;
    bool force;
    std::string routine;  // empty: refused at the press with the status
    std::vector<long long> args;
    std::uint8_t hiberFileType = 0;  // 1 reduced, 2 full
    const char* status = "";
  };
  const Row rows[] = {
      {2, 5, 1, 0, true, "ExitWindowsEx", {12, P}}, {2, 5, 1, 0, false, "ExitWindowsEx", {8 | H, P}},
      {2, 5, 1, 1, true, "ExitWindowsEx", {6, P}},  {2, 5, 1, 1, false, "ExitWindowsEx", {2 | H, P}},
      {2, 5, 1, 2, true, "ExitWindowsEx", {4, P}},  {2, 5, 1, 2, false, "ExitWindowsEx", {H, P}},
      {2, 5, 1, 3, true, "SetSuspendState", {0, -1, 0}}, {2, 5, 1, 4, false, "SetSuspendState", {1, 0, 0}},
      {2, 5, 1, 5, true, "LockWorkStation", {}},     {2, 5, 0, 1, false, "ExitWindowsEx", {2 | H, P}},
      {2, 10, 0, 0, false, "ExitWindowsEx", {8 | H, P}}, {2, 4, 0, 2, false, "ExitWindowsEx", {0, P}},
      {1, 4, 10, 0, false, "ExitWindowsEx", {8, P}}, {3, 10, 0, 1, false, "ExitWindowsEx", {2, P}},
      {2, 10, 0, 4, true, "", {}, 1, "休眠文件只供快速启动，见使用说明"},
      {2, 10, 0, 3, true, "SetSuspendState", {0, -1, 0}, 1},
      {2, 10, 0, 4, true, "SetSuspendState", {1, -1, 0}, 2},
  };
  for (const Row& r : rows) {
    StartedProgram p;
    p.sys.SetVersion(r.platform, r.major, r.minor);
    p.sys.api.powerCaps.hiberFileType = r.hiberFileType;
    ASSERT_TRUE(p.Start());
    frmMain& m = *p.main;
    if (!r.force) p.Win().Click(*m.chkForce);
    p.Arm(r.entry, 1);
    if (!r.force) p.Win().Click(*m.chkForce);  // later changes are locked out anyway
    SCOPED_TRACE(::testing::Message() << r.platform << " " << r.major << "." << r.minor << " "
                                      << m.cmbAction->Text() << " force " << r.force);
    p.Fire();
    EXPECT_EQ(p.ActionCalls(), r.routine.empty() ? 0u : 1u);
    EXPECT_EQ(p.Win().Loaded(), r.routine.empty());
    if (r.routine.empty()) {
      EXPECT_EQ(m.lblStatus->Caption(), r.status);
    } else {
      EXPECT_EQ(p.sys.CallsTo(r.routine).at(0).args, r.args);
    }
  }
}

// A failed call leaves the program running and disarmed, its icon kept, its
// window in front, the failure named; nothing fires until it is armed again.
TEST_F(CountdownTest, AFailedActionIsToldAndTheProgramIsReadyToArmAgain) {
  const char* const actions[] = {"关机", "重新启动", "注销", "挂起", "睡眠", "锁定计算机"};
  const std::pair<std::uint32_t, std::string> errors[] = {
      {1314, "失败：没有权限"}, {50, "失败：系统不支持"}, {120, "失败：系统不支持"}, {5, "失败：错误5"}};
  for (int entry = 0; entry < 6; ++entry) {
    for (const auto& [error, told] : errors) {
      SCOPED_TRACE(::testing::Message() << actions[entry] << " error " << error);
      StartedProgram p;  // Windows XP: six entries
      ASSERT_TRUE(p.Start());
      p.sys.api.exitResult = p.sys.api.suspendResult = p.sys.api.lockResult = 0;
      p.sys.api.lastError = error;
      p.Arm(entry, 5);
      p.Win().Hide();
      p.Fire();
      frmMain& m = *p.main;
      EXPECT_FALSE(p.toolkit.quit);
      EXPECT_TRUE(p.Win().Topmost()) << "the hidden window was not brought to the front";
      EXPECT_EQ(m.lblStatus->Caption(), actions[entry] + told);
      ExpectArmed(m, p.Win(), false);
      const auto& record = p.sys.api.trayRecords.back();
      EXPECT_EQ(p.sys.TrayCalls().back().args[0], 1) << "the icon must stay";
      EXPECT_EQ(record.hIcon, kIcon);
      EXPECT_EQ(record.tip, "没设置动作");
      p.Fire();
      EXPECT_EQ(p.ActionCalls(), 1u) << "a tick after the failure fired again";
      p.Arm(entry, 5);
      EXPECT_TRUE(m.bTimerOn);
      EXPECT_FALSE(p.Win().Topmost()) << "arming again keeps the window in front";
    }
  }
}

// A right click that the shell sends while the failing call waits was meant
// for the countdown that ended: no menu opens (whose Exit could end the
// program). A shell restart is no command: the icon comes back.
TEST_F(CountdownTest, AClickHeldDuringTheFailingCallIsDiscarded) {
  Win().Choose(*main->cmbAction, 3);
  sys.api.suspendResult = 0;
  ArmSeconds("1");
  sys.log.during = [&](const std::string& routine) {
    if (routine != "SetSuspendState") return;
    Win().nextMenuChoice = "mnuExit";
    Win().TrayRightClick();
    Win().ShellRestart();
  };
  sys.clock.Advance(1);
  Win().Tick(*main->Timer);
  EXPECT_TRUE(Win().openedMenus.empty());
  EXPECT_FALSE(toolkit.quit);
  const std::vector<std::uint32_t> messages = TrayMessages();
  EXPECT_EQ(std::vector<std::uint32_t>(messages.end() - 2, messages.end()), (std::vector<std::uint32_t>{0, 4}))
      << "the restart's icon was not added";
}

// The warning period's first tick shows the window in front, without the
// focus, with one warning sound; About closes first. A window hidden during
// the warning stays hidden; disarming ends the stay in front.
TEST_F(CountdownTest, TheWarningBringsTheWindowToTheFrontOnce) {
  main->txtBlink->SetText("2");
  ArmSeconds("4");
  Win().Hide();
  HalfSecondTick();  // 4 left
  EXPECT_FALSE(Win().Visible());
  HalfSecondTick();  // 3
  HalfSecondTick();  // 3
  HalfSecondTick();  // 2: the warning
  EXPECT_TRUE(Win().Topmost());
  EXPECT_EQ(toolkit.warningBeeps, 1);
  HalfSecondTick();
  EXPECT_EQ(toolkit.warningBeeps, 1) << "once per countdown";
  Win().Type(27);  // Esc hides it
  HalfSecondTick();
  EXPECT_FALSE(Win().Visible()) << "a window hidden during the warning came back";
  Win().ShowInFront();
  Win().Click(*main->cmdTimer);
  EXPECT_TRUE(Win().Visible());
  EXPECT_FALSE(Win().Topmost()) << "disarming left the window in front";

  // A countdown shorter than the warning: from arming on, over About.
  Win().nextMenuChoice = "mnuAbout";
  toolkit.whileModal = [&] { HalfSecondTick(); };
  main->txtBlink->SetText("30");
  ArmSeconds("10");
  Win().TrayRightClick();
  EXPECT_FALSE(main->About().Loaded());
  EXPECT_TRUE(Win().Topmost());
  EXPECT_EQ(toolkit.warningBeeps, 2);
}

TEST_F(CountdownTest, WithoutTheWarningNoWindowAndNoSound) {
  Win().Click(*main->chkBlink);
  ArmSeconds("1");
  Win().Hide();
  HalfSecondTick();
  EXPECT_FALSE(Win().Visible());
  EXPECT_EQ(toolkit.warningBeeps, 0);
}

TEST_F(CountdownTest, FiringWhileTheAboutWindowOrTheMenuIsOpenStillEnds) {
  ArmSeconds("1");
  Win().nextMenuChoice = "mnuAbout";
  Win().TrayRightClick();
  ASSERT_TRUE(main->About().Visible());
  sys.clock.Advance(1);
  Win().Tick(*main->Timer);  // ticks go on under the modal window
  EXPECT_FALSE(main->About().Loaded());
  EXPECT_TRUE(toolkit.quit);
  EXPECT_EQ(LastTrayMessage(), 2u);
}

// The shell's notifications can arrive inside a tray call. A right click
// during a tick opens the menu only after the tick, and the ticks that the
// menu's loop delivers fire the action once.
TEST_F(CountdownTest, ATrayClickInsideATickWaitsForItAndTheActionRunsOnce) {
  Win().Choose(*main->cmbAction, 3);  // suspend
  ArmSeconds("2");
  HalfSecondTick();
  HandlerProbe probe;
  probe.Watch(*main, toolkit);
  sys.api.duringNotify = [&] {
    toolkit.whileMenu = [&] {
      sys.clock.Advance(2);
      Win().Tick(*main->Timer);
    };
    Win().TrayRightClick();
  };
  HalfSecondTick();  // 1 left: the blink's tray call brings the right click
  EXPECT_EQ(probe.nestedStarts, 0) << "the menu opened inside a tick";
  EXPECT_EQ(Win().openedMenus.size(), 1u);
  EXPECT_EQ(sys.CallsTo("SetSuspendState").size(), 1u);
  EXPECT_TRUE(toolkit.quit);
  EXPECT_EQ(LastTrayMessage(), 2u);
}

// Exit is final. A right click and a shell restart that the shell sends
// inside Exit's removal wait for it and go with the window: no menu whose
// ticks could fire, no icon added back.
TEST_F(CountdownTest, ExitDropsTheCountdownWhateverTheShellSendsDuringTheRemoval) {
  ArmSeconds("1");
  Win().nextMenuChoice = "mnuExit";
  toolkit.whileMenu = [&] {
    sys.api.duringNotify = [&] {
      toolkit.whileMenu = [&] {
        sys.clock.Advance(5);
        Win().Tick(*main->Timer);
      };
      Win().TrayRightClick();
      Win().ShellRestart();
    };
  };
  Win().TrayRightClick();
  EXPECT_TRUE(sys.CallsTo("ExitWindowsEx").empty());
  EXPECT_EQ(Win().openedMenus.size(), 1u);
  EXPECT_TRUE(toolkit.quit);
  EXPECT_EQ(LastTrayMessage(), 2u);
}

// What another program sends while the last tick's tray call waits is held
// for the tick; a user's command that came first runs before the action,
// even on a tick that comes late, past a second after the deadline.
TEST_F(CountdownTest, ACommandThatCameFirstRunsBeforeTheAction) {
  const std::pair<const char*, std::function<void()>> disarms[] = {
      {"sent", [&] { Win().SendClick(*main->cmdTimer); }},
      {"queued", [&] { Win().QueueClick(*main->cmdTimer); }},
  };
  auto lastTickWith = [&](const std::function<void()>& arrive) {
    ArmSeconds("1");  // the warning is on: every tick calls the tray
    sys.clock.Advance(3);
    sys.api.duringNotify = [&] {
      sys.api.duringNotify = nullptr;
      arrive();
    };
    Win().Tick(*main->Timer);
  };
  for (const auto& [how, disarm] : disarms) {
    lastTickWith(disarm);
    Win().Tick(*main->Timer);
    EXPECT_TRUE(sys.CallsTo("ExitWindowsEx").empty()) << how;
    EXPECT_FALSE(main->bTimerOn) << how;
    EXPECT_EQ(main->lblStatus->Caption(), "定时器禁止") << how;
  }
  // A command that leaves the countdown armed delays it by one tick.
  Win().Show();
  lastTickWith([&] { Win().SendClose(); });
  EXPECT_TRUE(sys.CallsTo("ExitWindowsEx").empty());
  EXPECT_FALSE(Win().Visible());
  Win().Tick(*main->Timer);
  EXPECT_EQ(sys.CallsTo("ExitWindowsEx").size(), 1u);
  EXPECT_TRUE(toolkit.quit);
}

// Input that keeps coming (a key held down, a program typing) puts the action off
// only until the first tick a second past the deadline; the count stays at 0.
TEST_F(CountdownTest, InputThatKeepsComingPutsTheActionOffASecondAtMost) {
  using Stream = void (*)(StartedProgram&);
  for (Stream arrive : {+[](StartedProgram& p) { p.toolkit.input.push_back([&p] { p.Win().PressKey('7'); }); },
                        +[](StartedProgram& p) { p.Win().SendChar(*p.main->txtPeriod, '7'); }}) {
    StartedProgram p;
    ASSERT_TRUE(p.Start());
    p.Arm(0, 1);  // the warning is on: the input comes inside every tick's tray call
    p.sys.log.during = [&](const std::string& routine) { if (routine.rfind("Shell_NotifyIcon", 0) == 0) arrive(p); };
    std::vector<std::string> seen;  // the count's first character and the action calls, each tick
    for (int tick = 0; tick < 6 && p.Win().Loaded(); ++tick) {
      p.sys.clock.Advance(tick % 2);
      p.Win().Tick(*p.main->Timer);
      seen.push_back(p.main->lblStatus->Caption().substr(0, 1) + std::to_string(p.ActionCalls()));
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"10", "00", "00", "01"}));
    EXPECT_EQ(p.toolkit.announcements.size(), 2u) << "1 and 0, each once";
  }
}

// The status line's live-region events: the captions heard, one per
// handler at most, with the caption the handler left.
TEST_F(CountdownTest, TheStatusLineIsReadOutOnlyWhenItMatters) {
  auto heard = [&](const std::function<void()>& act) {
    toolkit.announcements.clear();
    act();
    std::vector<std::string> captions;
    for (const auto& a : toolkit.announcements) {
      EXPECT_EQ(a.label, "lblStatus");
      captions.push_back(a.caption);
    }
    return captions;
  };
  // Ticks until the status line reads `until`, or the program ends.
  auto ticksUntil = [&](const std::string& until) {
    std::vector<std::string> all;
    while (Win().Loaded() && main->lblStatus->Caption() != until) {
      const std::vector<std::string> tick = heard([&] { HalfSecondTick(); });
      EXPECT_LE(tick.size(), 1u) << "at " << main->lblStatus->Caption();
      all.insert(all.end(), tick.begin(), tick.end());
    }
    return all;
  };
  auto seconds = [](std::initializer_list<int> list) {
    std::vector<std::string> texts;
    for (int n : list) texts.push_back(std::to_string(n) + " 秒后执行");
    return texts;
  };

  main->txtBlink->SetText("30");
  EXPECT_TRUE(heard([&] { ArmSeconds("125"); }).empty()) << "arming changes no status text";
  // The first text, each new minute rounded up (2 from 120 on, 1 from 60 on)
  // and the start of the warning at 30; the other seconds above ten stay quiet.
  EXPECT_EQ(ticksUntil("11 秒后执行"), seconds({125, 120, 60, 30}));
  EXPECT_EQ(heard([&] { Win().Click(*main->cmdTimer); }), std::vector<std::string>{"定时器禁止"});
  // A new arming starts afresh: its first text, its warning; then every new
  // text of the last ten seconds, none when a tick repeats one, and none for
  // the firing tick, whose window is gone.
  ArmSeconds("40");
  EXPECT_EQ(ticksUntil(""), seconds({40, 30, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1}));
  EXPECT_FALSE(Win().Loaded());
}

// A refusal at arming and a failed action are read out once, with their
// reason, each in the handler that tells it.
TEST_F(CountdownTest, ARefusalAndAFailureAreReadOutOnce) {
  using ui::memory::Announcement;
  Win().Choose(*main->cmbAction, 3);  // suspend
  sys.api.SetPowerCaps(0b011000);     // no S1 to S3
  toolkit.announcements.clear();
  ArmSeconds("1");
  EXPECT_EQ(toolkit.announcements, (std::vector<Announcement>{{"lblStatus", "这台电脑不能挂起"}}));
  sys.api.SetPowerCaps(0b011001);
  sys.api.suspendResult = 0;
  sys.api.lastError = 5;
  ArmSeconds("1");
  HalfSecondTick();
  toolkit.announcements.clear();
  HalfSecondTick();  // the deadline: the call fails
  ASSERT_FALSE(main->bTimerOn);
  EXPECT_EQ(toolkit.announcements, (std::vector<Announcement>{{"lblStatus", "挂起失败：错误5"}}));
}

}  // namespace
