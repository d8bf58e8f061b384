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

}  // namespace
