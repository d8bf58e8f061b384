// Start-up, the design's defaults, the close rules and the tray callbacks.
#include "tests/forms/main_window_fixture.h"

using doubles::Call;

namespace {

const std::vector<std::string> kNoise = {"GetVersionExA"};

TEST_F(MainWindowTest, StartupRunsItsStepsInOrder) {
  ASSERT_TRUE(Start());
  EXPECT_EQ(sys.Routines(kNoise),
            (std::vector<std::string>{"StartWindowsProgram", "InitCommonControls",
                                      "AnotherInstanceRunning", "Shell_NotifyIconW",
                                      "Shell_NotifyIconA"}));
  EXPECT_EQ(sys.log.front().text, std::string("explorer ") + kTestPage);
  EXPECT_TRUE(Win().Visible());
  EXPECT_EQ(Win().Focus(), main->cmbAction);
  EXPECT_FALSE(Win().TimerEnabled(*main->Timer));
}

TEST_F(MainWindowTest, SecondInstanceOpensThePageThenShowsTheNoticeAndEnds) {
  sys.instance.anotherRunning = true;
  EXPECT_FALSE(Start());
  EXPECT_EQ(sys.Routines(), (std::vector<std::string>{"StartWindowsProgram", "InitCommonControls",
                                                      "AnotherInstanceRunning"}));
  ASSERT_EQ(toolkit.messageBoxes.size(), 1u);
  EXPECT_EQ(toolkit.messageBoxes[0].text, "Vespera已经运行中.");
  EXPECT_EQ(toolkit.messageBoxes[0].title, "By: Brennick");
  EXPECT_EQ(toolkit.messageBoxes[0].icon, ui::MessageIcon::Information);
  EXPECT_TRUE(toolkit.forms.empty()) << "no window may be created";
  EXPECT_TRUE(sys.TrayCalls().empty());
}

TEST_F(MainWindowTest, AnEmptyPageSettingOpensNoPage) {
  main = std::make_unique<frmMain>(toolkit, sys.system, "");
  ASSERT_TRUE(main->Form_Initialize());
  EXPECT_TRUE(sys.CallsTo("StartWindowsProgram").empty());
}

TEST_F(MainWindowTest, DesignDefaults) {
  ASSERT_TRUE(Start());
  frmMain& m = *main;
  EXPECT_EQ(m.cmbAction->Text(), "关机");
  EXPECT_EQ(m.cmbUnit->Text(), "时");
  EXPECT_EQ(m.cmbT->Text(), "AM");
  EXPECT_TRUE(m.opt[0]->Value());
  EXPECT_FALSE(m.opt[1]->Value());
  EXPECT_EQ(m.chkForce->Value(), 1);
  EXPECT_EQ(m.chkBlink->Value(), 1);
  EXPECT_EQ(m.lblStatus->Caption(), "定时禁止");
  EXPECT_EQ(m.cmdTimer->Caption(), "激活定时(&E)");
  EXPECT_EQ(LastTip(), "没设置动作");
  EXPECT_EQ(m.Timer->Interval(), 500);
  EXPECT_FALSE(Win().TimerEnabled(*m.Timer));
  struct Field {
    ui::TextBox* txt;
    ui::ScrollBar* vs;
    const char* text;
    int value, top, bottom;
    bool enabled;
  };
  for (const Field& f : {Field{m.txtPeriod, m.vsPeriod, "1", 1, 999, 1, true},
                         Field{m.txtHour, m.vsHour, "1", 1, 12, 1, false},
                         Field{m.txtMin, m.vsMin, "00", 0, 59, 0, false},
                         Field{m.txtBlink, m.vsBlink, "30", 30, 999, 1, true}}) {
    SCOPED_TRACE(f.txt->Name());
    EXPECT_EQ(f.txt->Text(), f.text);
    EXPECT_EQ(f.vs->Value(), f.value);
    EXPECT_EQ(f.vs->Min(), f.top);
    EXPECT_EQ(f.vs->Max(), f.bottom);
    EXPECT_EQ(f.txt->Enabled(), f.enabled);
    EXPECT_EQ(f.vs->Enabled(), f.enabled);
  }
  EXPECT_FALSE(m.cmbT->Enabled());
  EXPECT_TRUE(m.cmbUnit->Enabled());
  ASSERT_EQ(m.mnuPopup->ItemCount(), 3);
  EXPECT_EQ(m.mnuExit->Caption(), "退出(&X)");
  EXPECT_EQ(m.mnuSep->Caption(), "-");
  EXPECT_EQ(m.mnuAbout->Caption(), "关于(&A)");
}

}  // namespace

namespace {

// The lock entry only on XP and 2000; the tray's wide call on the NT
// platform, where every code page shows the same tip, the ANSI one elsewhere.
TEST_F(MainWindowTest, LockEntryAndTrayCallFollowTheVersion) {
  struct Case {
    std::uint32_t platform, major, minor;
    int entries;
  };
  for (const Case& c : {Case{2, 5, 1, 6}, Case{2, 5, 0, 6}, Case{2, 6, 1, 5}, Case{2, 10, 0, 5},
                        Case{2, 4, 0, 5}, Case{1, 4, 10, 5}, Case{1, 4, 0, 5}, Case{0, 3, 10, 5}}) {
    doubles::RecordingSystem s;
    ui::memory::MemoryToolkit t;
    s.SetVersion(c.platform, c.major, c.minor);
    frmMain m(t, s.system, kTestPage);
    ASSERT_TRUE(m.Form_Initialize());
    SCOPED_TRACE(::testing::Message() << c.major << "." << c.minor);
    ASSERT_EQ(m.cmbAction->ListCount(), c.entries);
    EXPECT_EQ(m.cmbAction->List(c.entries - 1), c.entries == 6 ? "锁定计算机" : "睡眠");
    const bool nt = c.platform == 2;
    EXPECT_EQ(s.api.trayRecords.at(0).wide, nt);
    EXPECT_EQ(s.api.trayRecords[0].cbSize, nt ? 152u : 88u);
    EXPECT_EQ(s.api.trayRecords[0].tip, nt ? "没设置动作" : s.codePage.ToAnsi(u"没设置动作"));
  }
}

TEST_F(MainWindowTest, TrayIconIsAddedWithTheFullRecordThenAsksForVersion3) {
  ASSERT_TRUE(Start());
  ASSERT_EQ(sys.api.trayRecords.size(), 1u);
  const auto& r = sys.api.trayRecords[0];
  EXPECT_EQ(TrayMessages(), (std::vector<std::uint32_t>{0, 4}));
  ASSERT_EQ(sys.api.versionRecords.size(), 1u);
  const platform::NotifyIconVersionA& v = sys.api.versionRecords[0];
  EXPECT_EQ(v.cbSize, 488u);
  EXPECT_EQ(v.hWnd, Win().Hwnd());
  EXPECT_EQ(v.uID, 1u);
  EXPECT_EQ(v.uVersion, 3u);
  const auto zero = [](const auto& bytes) {
    return std::all_of(std::begin(bytes), std::end(bytes), [](std::uint8_t b) { return b == 0; });
  };
  EXPECT_TRUE(zero(v.before) && zero(v.after)) << "the rest of the version record is 0";
  EXPECT_EQ(r.cbSize, 152u);
  EXPECT_EQ(r.hWnd, Win().Hwnd());
  EXPECT_EQ(r.uID, 1u);
  EXPECT_EQ(r.uFlags, 7u);
  // A message of the program's own (WM_APP and above), not the pointer's.
  EXPECT_EQ(r.uCallbackMessage, ui::kTrayMessage);
  EXPECT_GE(r.uCallbackMessage, 0x8000u);
  EXPECT_EQ(r.hIcon, ui::memory::MemoryToolkit::kIcon);
  EXPECT_EQ(LastTip(), "没设置动作");
}

TEST_F(MainWindowTest, EscapeInAnyControlHidesAndTheControlStillGetsTheKey) {
  ASSERT_TRUE(Start());
  int boxSaw = 0;
  main->txtBlink->OnKeyPress = [&](std::int16_t& key) { boxSaw = key; key = 0; };
  Win().SetFocus(*main->txtBlink);
  Win().Type(27);
  EXPECT_FALSE(Win().Visible());
  EXPECT_EQ(boxSaw, 27);
  EXPECT_EQ(main->txtBlink->Text(), "30");
  EXPECT_EQ(TrayMessages(), (std::vector<std::uint32_t>{0, 4})) << "the icon stays";
}

TEST_F(MainWindowTest, CloseHidesArmedOrNotAndTheTrayDoubleClickRestores) {
  ASSERT_TRUE(Start());
  for (bool armed : {false, true}) {
    if (armed) Win().Click(*main->cmdTimer);
    Win().CloseButton();
    EXPECT_FALSE(Win().Visible());
    EXPECT_TRUE(Win().Loaded());
    EXPECT_EQ(main->bTimerOn, armed);
    Win().TrayNotify(515);
    EXPECT_TRUE(Win().Visible());
    EXPECT_EQ(sys.Routines().back(), "SetForegroundWindow") << "shown, then brought to the front";
    EXPECT_EQ(main->txtBlink->Text(), "30");
    EXPECT_EQ(Win().TimerEnabled(*main->Timer), armed);
  }
  EXPECT_FALSE(toolkit.quit);
}

TEST_F(MainWindowTest, ExitFromTheTrayMenuDropsTheCountdownAndRemovesTheIcon) {
  ASSERT_TRUE(Start());
  Win().Click(*main->cmdTimer);
  Win().nextMenuChoice = "mnuExit";
  Win().TrayRightClick();
  EXPECT_EQ(sys.Routines({"GetVersionExA", "Shell_NotifyIconA", "Shell_NotifyIconW"}).back(), "SetForegroundWindow");
  EXPECT_EQ(Win().openedMenus, std::vector<std::string>{"mnuPopup"});
  EXPECT_FALSE(Win().Loaded());
  EXPECT_TRUE(toolkit.quit);
  EXPECT_EQ(LastTrayMessage(), 2u);
  EXPECT_TRUE(sys.CallsTo("ExitWindowsEx").empty());
}

TEST_F(MainWindowTest, TrayCodesOtherThanDoubleClickAndRightUpDoNothing) {
  ASSERT_TRUE(Start());
  Win().Hide();
  const std::size_t calls = sys.log.size();
  for (int code : {512, 513, 514, 516, 518, 519, 520, 521, 0, 100, 251}) Win().TrayNotify(code);
  EXPECT_FALSE(Win().Visible());
  EXPECT_TRUE(Win().openedMenus.empty());
  EXPECT_EQ(sys.log.size(), calls);
}

TEST_F(MainWindowTest, ThePointerOverTheWindowIsNeverATrayNote) {
  ASSERT_TRUE(Start());
  Win().Hide();
  Win().TrayNotify(515 | (1 << 16));  // the icon's id in the high word
  EXPECT_TRUE(Win().Visible()) << "the mouse message is the low word";
  // A window wider than 515 pixels (2.05 times the design, and more) meets
  // the pointer at every x the tray's messages have.
  const std::size_t calls = sys.log.size();
  for (int dpi : {96, 216, 480}) {
    for (int x = 512; x <= 518; ++x) Win().MouseOverBackground(x * 1440.0 / dpi, 100);
  }
  EXPECT_TRUE(Win().openedMenus.empty());
  EXPECT_TRUE(Win().Visible());
  EXPECT_EQ(sys.log.size(), calls);
}

// A menu left without a command (Esc, a click elsewhere, the separator)
// gives the keyboard back to the notification area, once; a command keeps it.
TEST_F(MainWindowTest, TheTrayMenuGivesTheFocusBackOnlyWhenLeftWithoutACommand) {
  ASSERT_TRUE(Start());
  for (const char* choice : {"", "mnuSep", "mnuAbout"}) {
    SCOPED_TRACE(choice);
    const std::size_t before = TrayMessages().size();
    Win().nextMenuChoice = choice;
    Win().TrayRightClick();
    EXPECT_EQ(sys.CallsTo("SetForegroundWindow").back().args[0], static_cast<long long>(Win().Hwnd()));
    std::vector<std::uint32_t> after = TrayMessages();
    after.erase(after.begin(), after.begin() + static_cast<long>(before));
    const bool command = std::string(choice) == "mnuAbout";
    EXPECT_EQ(after, command ? std::vector<std::uint32_t>{} : std::vector<std::uint32_t>{3});
    EXPECT_EQ(sys.api.versionRecords.back().hWnd, Win().Hwnd());
    EXPECT_TRUE(Win().Loaded());
    EXPECT_EQ(main->About().Loaded(), command);
  }
}

// A shell that refuses the icon (just after logon, or busy): the add is
// tried again every two seconds, and again when a shell starts, until it
// goes through. Until then the window has a taskbar button, and a close or
// Esc minimises it to that button.
TEST_F(MainWindowTest, ARefusedIconIsAddedAgainAndTheWindowStaysWithinReach) {
  sys.api.addResult = sys.api.modifyResult = 0;
  ASSERT_TRUE(Start());
  ui::Timer& retry = *main->TrayTimer;
  EXPECT_EQ(retry.Interval(), 2000);
  EXPECT_TRUE(Win().TimerEnabled(retry));
  EXPECT_TRUE(Win().taskbarButton);
  EXPECT_EQ(TrayMessages(), (std::vector<std::uint32_t>{0, 1})) << "no version asked of a refused icon";
  Win().Type(27);
  EXPECT_TRUE(Win().Minimized());
  Win().Tick(retry);
  EXPECT_EQ(TrayMessages(), (std::vector<std::uint32_t>{0, 1, 0, 1}));

  sys.api.addResult = 1;
  Win().Tick(retry);
  EXPECT_EQ(TrayMessages(), (std::vector<std::uint32_t>{0, 1, 0, 1, 0, 4}));
  EXPECT_FALSE(Win().TimerEnabled(retry));
  EXPECT_FALSE(Win().Visible()) << "the window closed for want of the icon goes to it";
  EXPECT_FALSE(Win().taskbarButton);
  Win().TrayNotify(515);
  EXPECT_TRUE(Win().Visible() && !Win().Minimized());
  Win().CloseButton();
  EXPECT_FALSE(Win().Visible());

  // A shell restarting without taking the icon: the hidden window waits on
  // its button.
  sys.api.addResult = 0;
  Win().ShellRestart();
  EXPECT_TRUE(Win().Minimized() && Win().taskbarButton && Win().TimerEnabled(retry));
  // A shell that has the icon already refuses to add it: the modify finds it.
  sys.api.modifyResult = 1;
  Win().Tick(retry);
  EXPECT_EQ(TrayMessages().back(), 4u);
  EXPECT_FALSE(Win().TimerEnabled(retry) || Win().Visible() || Win().taskbarButton);
}

TEST_F(MainWindowTest, ShellRestartAddsTheIconAgainWithItsCurrentTip) {
  ASSERT_TRUE(Start());
  Win().Click(*main->cmdTimer);
  Win().ShellRestart();
  EXPECT_EQ(TrayMessages(), (std::vector<std::uint32_t>{0, 4, 1, 0, 4})) << "added, and version 3 again";
  EXPECT_EQ(LastTip(), "程序将要在2012-10-30 11:00:00执行关机");
}

}  // namespace
