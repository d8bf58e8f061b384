// The main window for keyboard and screen-reader users: the names of the
// controls without a caption, Esc on an open list, the status line's
// announcements and the tray icon's keyboard notes.
#include "tests/forms/main_window_fixture.h"

namespace {

using ui::memory::MemLabel;

TEST_F(MainWindowTest, EachControlWithoutACaptionHasItsHiddenNameRightBeforeIt) {
  ASSERT_TRUE(Start());
  frmMain& m = *main;
  struct Named {
    ui::Control* control;
    const char* name;
  };
  const Named named[] = {
      {m.txtPeriod, "延时时长"}, {m.vsPeriod, "增减延时时长"}, {m.cmbUnit, "延时单位"},
      {m.txtHour, "定时小时"},   {m.vsHour, "增减小时"},       {m.txtMin, "定时分钟"},
      {m.vsMin, "增减分钟"},     {m.cmbT, "上午或下午"},       {m.txtBlink, "提前闪动秒数"},
      {m.vsBlink, "增减闪动秒数"}};
  int index = 0;
  for (const Named& n : named) {
    SCOPED_TRACE(n.control->Name());
    auto* label = dynamic_cast<MemLabel*>(Win().PreviousSibling(*n.control));
    ASSERT_NE(label, nullptr) << "the sibling before it is no label";
    EXPECT_EQ(label->Name(), "lblName(" + std::to_string(index++) + ")");
    EXPECT_EQ(label->Caption(), n.name);
    EXPECT_TRUE(label->hidden);
  }
  // The captioned controls keep what they had: the list after its visible caption.
  auto* action = dynamic_cast<MemLabel*>(Win().PreviousSibling(*m.cmbAction));
  ASSERT_NE(action, nullptr);
  EXPECT_EQ(action, m.lbl[0]);
  EXPECT_FALSE(action->hidden);
  EXPECT_FALSE(dynamic_cast<MemLabel*>(m.lblStatus)->hidden);
  EXPECT_TRUE(dynamic_cast<MemLabel*>(m.lblStatus)->liveRegion) << "the status line is a polite live region";
}

TEST_F(MainWindowTest, EscOnAnOpenListClosesTheListOnly) {
  ASSERT_TRUE(Start());
  frmMain& m = *main;
  for (ui::ComboBox* list : {m.cmbAction, m.cmbUnit, m.cmbT}) {
    SCOPED_TRACE(list->Name());
    if (list == m.cmbT) Win().Click(*m.opt[1]);
    Win().DropDown(*list);
    ASSERT_TRUE(list->DroppedDown());
    Win().PressKey(27);
    EXPECT_FALSE(list->DroppedDown());
    EXPECT_TRUE(Win().Visible()) << "Esc for the open list hid the window";
    // The mark is spent: Ctrl+[ types an Esc with no key going down.
    Win().Type(27);
    EXPECT_FALSE(Win().Visible()) << "a later Esc character was taken for the list";
    Win().TrayNotify(515);
    // The list is closed now: the next Esc is the window's.
    Win().PressKey(27);
    EXPECT_FALSE(Win().Visible());
    Win().TrayNotify(515);
  }
  // A list closed by choosing an entry leaves Esc to the window as well.
  Win().DropDown(*m.cmbAction);
  Win().Choose(*m.cmbAction, 1);
  Win().PressKey(27);
  EXPECT_FALSE(Win().Visible());
}

// Under version 3 a right click comes as 517 then 123, a left click as 513,
// 514 then 1024, and Enter on the selected icon as 1025, perhaps twice.
TEST_F(MainWindowTest, TrayNotesFollowTheVersionTheShellTook) {
  for (bool version3 : {true, false}) {
    SCOPED_TRACE(version3 ? "version 3" : "older shell");
    doubles::RecordingSystem s;
    ui::memory::MemoryToolkit t;
    s.api.setVersionResult = version3 ? 1 : 0;
    frmMain m(t, s.system, kTestPage);
    ASSERT_TRUE(m.Form_Initialize());
    auto& w = *dynamic_cast<ui::memory::MemoryForm*>(m.Window());
    w.SetFocus(*m.txtBlink);
    w.Hide();

    w.TrayRightClick();
    EXPECT_EQ(w.openedMenus.size(), 1u) << "one right click, one menu";
    for (int note : {513, 514, 1024}) w.TrayNotify(note);
    w.TrayNotify(version3 ? 517 : 123);  // each alone, as the other version sends it
    EXPECT_EQ(w.openedMenus.size(), 1u);
    EXPECT_FALSE(w.Visible());

    const std::size_t calls = s.log.size();
    w.TrayNotify(1025);
    w.TrayNotify(1025);
    EXPECT_EQ(w.Visible(), version3) << "Enter on the icon";
    if (version3) {
      // Shown, then brought to the front, each time: the second changes nothing.
      ASSERT_EQ(s.log.size(), calls + 2);
      for (std::size_t i = calls; i < s.log.size(); ++i) {
        EXPECT_EQ(s.log[i].routine, "SetForegroundWindow");
        EXPECT_EQ(s.log[i].args[0], static_cast<long long>(w.Hwnd()));
      }
      EXPECT_EQ(w.Focus(), m.txtBlink);
    } else {
      EXPECT_EQ(s.log.size(), calls);
    }
    EXPECT_EQ(w.openedMenus.size(), 1u);
  }
}

// The keyboard's WM_CONTEXTMENU comes alone, the mouse's after WM_RBUTTONUP:
// the keyboard's menu opens at the icon where the shell can tell (Windows 7
// and later), every other at the pointer.
TEST_F(MainWindowTest, AMenuFromTheKeyboardOpensAtTheIcon) {
  struct Case {
    bool version3, shellTells;
    std::vector<int> notes;
    bool atIcon;
  };
  for (const Case& c : {Case{true, true, {123}, true}, Case{true, false, {123}, false},
                        Case{true, true, {517, 123}, false}, Case{false, true, {517}, false}}) {
    StartedProgram p;
    p.sys.api.setVersionResult = c.version3;
    if (c.shellTells) p.sys.api.iconRect = platform::ScreenRect{1000, 740, 1016, 758};
    ASSERT_TRUE(p.Start());
    for (int note : c.notes) p.Win().TrayNotify(note);
    SCOPED_TRACE(::testing::Message() << c.notes.size() << " notes, version 3: " << c.version3);
    ASSERT_EQ(p.Win().menuAnchors.size(), 1u);
    EXPECT_EQ(p.Win().menuAnchors[0], c.atIcon ? std::optional(ui::Rect{1000, 740, 16, 18}) : std::nullopt);
  }
}

TEST_F(MainWindowTest, ANewShellIsAskedForVersion3AgainAndItsAnswerCounts) {
  ASSERT_TRUE(Start());
  sys.api.setVersionResult = 0;
  Win().ShellRestart();
  EXPECT_EQ(TrayMessages(), (std::vector<std::uint32_t>{0, 4, 0, 4}));
  Win().TrayNotify(517);
  EXPECT_EQ(Win().openedMenus.size(), 1u) << "an older shell's right click opens the menu";
  sys.api.setVersionResult = 1;
  Win().ShellRestart();
  Win().TrayRightClick();
  EXPECT_EQ(Win().openedMenus.size(), 2u);
}

TEST_F(MainWindowTest, EnterOnTheIconClosesTheAboutWindowAsADoubleClickDoes) {
  ASSERT_TRUE(Start());
  Win().nextMenuChoice = "mnuAbout";
  Win().TrayRightClick();
  ASSERT_TRUE(main->About().Visible());
  Win().TrayNotify(1025);
  EXPECT_FALSE(main->About().Loaded());
  EXPECT_TRUE(Win().Visible());
  EXPECT_TRUE(Win().TakesInput());
}

}  // namespace
