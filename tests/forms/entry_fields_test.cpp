// The four numeric fields, their spin controls, and the mode switches.
#include "tests/forms/main_window_fixture.h"

namespace {

class EntryTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    ASSERT_TRUE(Start());
    Win().Click(*main->opt[1]);  // clock-time fields usable
  }
  ui::memory::MemoryForm& W() { return Win(); }
  // Typing over, or deleting, the box's whole text.
  void TypeOver(ui::TextBox& box, const std::string& text) {
    W().SelectAll(box);
    W().TypeInto(box, text);
  }
  void Empty(ui::TextBox& box) {
    W().SelectAll(box);
    W().PressDelete(box);
  }
};

TEST_F(EntryTest, OnlyDigitsCanBeTyped) {
  frmMain& m = *main;
  toolkit.clipboard = "7";
  for (ui::TextBox* box : {m.txtPeriod, m.txtHour, m.txtMin, m.txtBlink}) {
    const std::string before = box->Text();
    W().TypeInto(*box, "a-.+ eE:/");  // ':' and '/' stand beside the digits
    // Backspace, Enter and the clipboard keys, each over the whole text.
    for (std::int16_t key : {8, 13, 3, 22, 24, 26}) {
      W().SelectAll(*box);
      W().Type(key);
    }
    EXPECT_EQ(box->Text(), before) << box->Name();
  }
  EXPECT_EQ(toolkit.clipboard, "7");
  EXPECT_EQ(toolkit.beeps, 0) << "Enter reached an edit";
  EXPECT_TRUE(W().Visible());
}

TEST_F(EntryTest, HourField) {
  frmMain& m = *main;
  W().Select(*m.txtHour, 1, 0);
  W().TypeInto(*m.txtHour, "9");  // 19 is beyond 12
  EXPECT_EQ(m.txtHour->Text(), "12");
  EXPECT_EQ(m.vsHour->Value(), 12);

  m.txtHour->SetText("1");
  W().Select(*m.txtHour, 0, 0);
  W().TypeInto(*m.txtHour, "0");  // 01 reads as the value it has
  EXPECT_EQ(m.txtHour->Text(), "01");
  EXPECT_EQ(m.vsHour->Value(), 1);

  TypeOver(*m.txtHour, "0");
  EXPECT_EQ(m.txtHour->Text(), "1");
  W().SpinDown(*m.vsHour);
  EXPECT_EQ(m.txtHour->Text(), "1");
  W().SpinUp(*m.vsHour);
  EXPECT_EQ(m.txtHour->Text(), "2");
}

TEST_F(EntryTest, DelayFieldNeverEmptyAndItsSpinStopsAtTheEnds) {
  frmMain& m = *main;
  W().Click(*m.opt[0]);
  m.txtPeriod->SetText("12");
  W().Select(*m.txtPeriod, 0, 0);
  W().TypeInto(*m.txtPeriod, "0");
  EXPECT_EQ(m.txtPeriod->Text(), "012");
  EXPECT_EQ(m.vsPeriod->Value(), 12);

  Empty(*m.txtPeriod);
  EXPECT_EQ(m.txtPeriod->Text(), "1");
  EXPECT_EQ(m.vsPeriod->Value(), 1);
  W().SpinDown(*m.vsPeriod);
  EXPECT_EQ(m.vsPeriod->Value(), 1);

  W().DragThumb(*m.vsPeriod, 999);
  EXPECT_EQ(m.txtPeriod->Text(), "999");
  W().SpinUp(*m.vsPeriod);
  EXPECT_EQ(m.vsPeriod->Value(), 999);
  W().SpinDown(*m.vsPeriod);
  EXPECT_EQ(m.txtPeriod->Text(), "998");
  W().Select(*m.txtPeriod, 3, 0);
  W().TypeInto(*m.txtPeriod, "7");  // a fourth character is refused
  EXPECT_EQ(m.txtPeriod->Text(), "998");
}

TEST_F(EntryTest, MinuteField) {
  frmMain& m = *main;
  Empty(*m.txtMin);  // emptied at 0: stays empty
  EXPECT_EQ(m.txtMin->Text(), "");
  EXPECT_EQ(m.vsMin->Value(), 0);

  m.txtMin->SetText("30");
  Empty(*m.txtMin);  // emptied at 30: 00
  EXPECT_EQ(m.txtMin->Text(), "00");
  EXPECT_EQ(m.vsMin->Value(), 0);

  TypeOver(*m.txtMin, "5");
  EXPECT_EQ(m.txtMin->Text(), "05");
  TypeOver(*m.txtMin, "5");  // equal to the value: left as typed
  EXPECT_EQ(m.txtMin->Text(), "5");

  m.txtMin->SetText("10");
  W().SpinDown(*m.vsMin);
  EXPECT_EQ(m.txtMin->Text(), "09");
  W().SpinUp(*m.vsMin);
  EXPECT_EQ(m.txtMin->Text(), "10");
  W().DragThumb(*m.vsMin, 59);
  W().SpinUp(*m.vsMin);
  EXPECT_EQ(m.txtMin->Text(), "59");
  TypeOver(*m.txtMin, "77");  // 7 becomes 07, and the next 7 shifts in: 77, beyond 59
  EXPECT_EQ(m.txtMin->Text(), "59");
  W().SelectAll(*m.txtMin);
  W().Paste(*m.txtMin, "8");
  EXPECT_EQ(m.txtMin->Text(), "08");
  W().SelectAll(*m.txtMin);
  W().Paste(*m.txtMin, "77");
  EXPECT_EQ(m.txtMin->Text(), "59") << "a clamp writes plain decimal";
}

// A rewrite of the focused box keeps the caret as far from the end as the
// user's edit left it; the edit alone would put it at the start.
TEST_F(EntryTest, TypedDigitsStayInOrder) {
  frmMain& m = *main;
  struct Case {
    ui::TextBox* box;
    int selStart, selLength;  // -1: all
    bool pressDelete;
    const char* typed;
    const char* text;
  };
  W().Click(*m.opt[0]);
  m.txtPeriod->SetText("120");
  for (const Case& c : {Case{m.txtPeriod, 0, -1, false, "25", "25"}, Case{m.txtPeriod, 0, -1, false, "30", "30"},
                        Case{m.txtBlink, 0, -1, false, "12", "12"}, Case{m.txtPeriod, 0, -1, false, "120", "120"},
                        Case{m.txtPeriod, 1, 0, true, "5", "150"}, Case{m.txtMin, 0, -1, false, "45", "45"},
                        Case{m.txtMin, 0, -1, false, "04", "04"}, Case{m.txtMin, 0, -1, false, "30", "30"},
                        Case{m.txtMin, 0, -1, false, "59", "59"}, Case{m.txtMin, 0, -1, false, "75", "59"},
                        Case{m.txtMin, 0, -1, false, "053", "05"}}) {  // a 0 typed keeps the limit
    if (c.box == m.txtMin) {
      W().Click(*m.opt[1]);
      m.txtMin->SetText("00");
    }
    W().Select(*c.box, static_cast<std::size_t>(c.selStart),
               c.selLength < 0 ? c.box->Text().size() : static_cast<std::size_t>(c.selLength));
    if (c.pressDelete) W().PressDelete(*c.box);
    W().TypeInto(*c.box, c.typed);
    EXPECT_EQ(c.box->Text(), c.text) << c.box->Name() << " <- " << c.typed;
  }
  // A box without the focus keeps the edit's own caret: the start.
  auto& period = dynamic_cast<ui::memory::MemTextBox&>(*m.txtPeriod);
  W().Click(*m.opt[0]);
  W().Select(period, 2, 0);
  W().SetFocus(*m.txtBlink);
  W().SpinDown(*m.vsPeriod);
  EXPECT_EQ(period.Text(), "149");
  EXPECT_EQ(period.selStart, 0u);
}

// A digit typed at the end of the spin's 0n shifts in; elsewhere, or behind
// a first digit that is not 0, the limit refuses it.
TEST_F(EntryTest, MinuteDigitsShiftInBehindTheSpinsZero) {
  struct Case { std::int16_t value; std::size_t caret; const char* typed; const char* text; };
  for (const Case& c : {Case{5, 2, "3", "53"}, Case{8, 1, "3", "08"}, Case{12, 2, "3", "12"}, Case{0, 2, "53", "53"}}) {
    W().DragThumb(*main->vsMin, c.value);
    W().Select(*main->txtMin, c.caret, 0);
    W().TypeInto(*main->txtMin, c.typed);
    EXPECT_EQ(main->txtMin->Text(), c.text) << c.value << " <- " << c.typed;
  }
}

TEST_F(EntryTest, Pasting) {
  frmMain& m = *main;
  struct Case {
    ui::TextBox* box;
    const char* pasted;
    const char* text;
    int value;
  };
  // Pasted text is cut to the field's length: 1e400 arrives as 1e, &H5 as &H.
  for (const Case& c : {Case{m.txtBlink, "abc", "1", 1}, Case{m.txtPeriod, "1.5", "2", 2},
                        Case{m.txtPeriod, "2.5", "2.5", 2}, Case{m.txtMin, "-5", "00", 0},
                        Case{m.txtMin, "-5", "0", 0}, Case{m.txtHour, "1e400", "1e", 1},
                        Case{m.txtHour, "&H5", "1", 1}, Case{m.txtBlink, "&H1", "&H1", 1},
                        Case{m.txtBlink, "-1e9", "1", 1}, Case{m.txtBlink, "5 5", "55", 55}}) {
    if (c.box == m.txtMin && std::string(c.text) == "00") m.txtMin->SetText("30");
    W().Click(*(c.box == m.txtPeriod ? m.opt[0] : m.opt[1]));
    W().SelectAll(*c.box);
    W().Paste(*c.box, c.pasted);
    EXPECT_EQ(c.box->Text(), c.text) << c.box->Name() << " <- " << c.pasted;
  }
  EXPECT_EQ(m.vsBlink->Value(), 55);
}

TEST_F(EntryTest, ModeSwitchesEnableOnlyThatModesFieldsAndKeepTheNumbers) {
  frmMain& m = *main;
  m.txtHour->SetText("7");
  m.txtPeriod->SetText("45");
  for (int round = 0; round < 2; ++round) {
    W().Click(*m.opt[0]);
    EXPECT_TRUE(m.txtPeriod->Enabled() && m.vsPeriod->Enabled() && m.cmbUnit->Enabled());
    EXPECT_FALSE(m.txtHour->Enabled() || m.vsHour->Enabled() || m.txtMin->Enabled() ||
                 m.vsMin->Enabled() || m.cmbT->Enabled());
    W().Click(*m.opt[1]);
    EXPECT_FALSE(m.txtPeriod->Enabled() || m.vsPeriod->Enabled() || m.cmbUnit->Enabled());
    EXPECT_TRUE(m.txtHour->Enabled() && m.vsHour->Enabled() && m.txtMin->Enabled() &&
                m.vsMin->Enabled() && m.cmbT->Enabled());
    W().Click(*m.opt[1]);  // the selected one again: the same states
    EXPECT_TRUE(m.txtHour->Enabled());
  }
  EXPECT_EQ(m.txtHour->Text(), "7");
  EXPECT_EQ(m.txtPeriod->Text(), "45");
}

TEST_F(EntryTest, WarningSwitchGreysTheSecondsAndKeepsThem) {
  frmMain& m = *main;
  m.txtBlink->SetText("45");
  W().Click(*m.chkBlink);
  EXPECT_FALSE(m.txtBlink->Enabled());
  EXPECT_FALSE(m.vsBlink->Enabled());
  W().TypeInto(*m.txtBlink, "9");
  EXPECT_EQ(m.txtBlink->Text(), "45");
  W().Click(*m.chkBlink);
  EXPECT_TRUE(m.txtBlink->Enabled() && m.vsBlink->Enabled());
  EXPECT_EQ(m.txtBlink->Text(), "45");
  m.chkBlink->SetValue(2);  // greyed counts as ticked
  m.chkBlink->OnClick();
  EXPECT_TRUE(m.txtBlink->Enabled());
}

}  // namespace
