// Start-up, the design's defaults, the close rules and the tray callbacks.
#include "tests/forms/main_window_fixture.h"

using doubles::Call;

namespace {

const std::vector<std::string> kNoise = {"GetVersionExA"};

TEST_F(MainWindowTest, StartupRunsItsStepsInOrder) {
  ASSERT_TRUE(Start());
  EXPECT_EQ(sys.Routines(kNoise),
            (std::vector<std::string>{"StartWindowsProgram", "InitCommonControls",
                                      "AnotherInstanceRunning", "Shell_NotifyIconA"}));
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
  EXPECT_TRUE(sys.CallsTo("Shell_NotifyIconA").empty());
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
  EXPECT_EQ(LastTip(), Ansi("没设置动作"));
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
