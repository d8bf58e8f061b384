// Arming and disarming, in delay and clock-time mode.
#include <tuple>

#include "tests/forms/main_window_fixture.h"

namespace {

class ArmingTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    ASSERT_TRUE(Start());
  }
  void ClockMode(const std::string& hour, const std::string& minute, int ampm) {
    Win().Click(*main->opt[1]);
    main->txtHour->SetText(hour);
    main->txtMin->SetText(minute);
    Win().Choose(*main->cmbT, ampm);
  }
  void Arm() { Win().Click(*main->cmdTimer); }
  platform::CivilTime Target() const { return platform::CivilFromOleDate(main->dtTarget); }
  std::string TargetText() {
    return platform::DateText(main->dtTarget, sys.dateFormat);
  }
};

TEST_F(ArmingTest, ArmingLocksTheSettingsAndAnnouncesTheDeadline) {
  sys.clock.Set(2012, 10, 30, 21, 30, 0);
  Arm();
  frmMain& m = *main;
  ExpectArmed(m, Win(), true);
  EXPECT_EQ(m.lblStatus->Caption(), "定时禁止") << "arming leaves the status line alone";
  EXPECT_EQ(m.sAction, "关机");
  EXPECT_TRUE(m.bForce);
  EXPECT_TRUE(m.bBlink);
  EXPECT_EQ(m.lBlinkSecs, 30);
  EXPECT_EQ(TargetText(), "2012-10-30 22:30:00");
  EXPECT_EQ(LastTrayMessage(), 1u);
  EXPECT_EQ(LastTip(), "程序将要在2012-10-30 22:30:00执行关机");
  EXPECT_EQ(sys.api.trayRecords.back().hIcon, ui::memory::MemoryToolkit::kIcon);
  // A locked frame refuses the user.
  Win().TypeInto(*m.txtBlink, "5");
  Win().Click(*m.opt[1]);
  EXPECT_EQ(m.txtBlink->Text(), "30");
  EXPECT_TRUE(m.opt[0]->Value());
}

TEST_F(ArmingTest, TwoClicksComeBackToIdle) {
  Arm();
  Arm();
  frmMain& m = *main;
  ExpectArmed(m, Win(), false);
  EXPECT_EQ(m.lblStatus->Caption(), "定时器禁止");
  EXPECT_EQ(LastTrayMessage(), 1u);
  EXPECT_EQ(LastTip(), "没设置动作");
}

TEST_F(ArmingTest, CapturesTheChoicesAtArming) {
  frmMain& m = *main;
  Win().Choose(*m.cmbAction, 2);
  Win().Click(*m.chkForce);
  Win().SelectAll(*m.txtBlink);
  Win().Paste(*m.txtBlink, "2.5");
  Win().Click(*m.chkBlink);
  Arm();
  EXPECT_EQ(m.sAction, "注销");
  EXPECT_FALSE(m.bForce);
  EXPECT_FALSE(m.bBlink);
  EXPECT_EQ(m.lBlinkSecs, 2) << "copied even with the warning off";
  m.chkForce->SetValue(2);  // greyed counts as on
  m.chkBlink->SetValue(2);
  m.chkBlink_Click();
  EXPECT_TRUE(m.txtBlink->Enabled() && m.vsBlink->Enabled()) << "a greyed warning box";
  Arm();
  Arm();
  EXPECT_TRUE(m.bForce);
  EXPECT_TRUE(m.bBlink);
}

TEST_F(ArmingTest, DelayModeUnits) {
  struct Case {
    int unit;
    const char* period;
    const char* expected;
  };
  for (const Case& c : {Case{0, "1", "2012-10-31"}, Case{1, "90", "2012-10-31 0:30:00"},
                        Case{2, "90", "2012-10-30 23:01:30"}, Case{2, "999", "2012-10-30 23:16:39"},
                        Case{0, "999", "2012-12-11 14:00:00"}}) {
    sys.clock.Set(2012, 10, 30, 23, 0, 0);
    Win().Choose(*main->cmbUnit, c.unit);
    main->txtPeriod->SetText(c.period);
    Arm();
    EXPECT_EQ(TargetText(), c.expected) << c.period << " unit " << c.unit;
    Arm();
  }
}

TEST_F(ArmingTest, DelayOneHourAt2300GivesMidnightAndADateOnlyTip) {
  sys.clock.Set(2012, 10, 30, 23, 0, 0);
  Arm();
  EXPECT_EQ(LastTip(), "程序将要在2012-10-31执行关机");
}

TEST_F(ArmingTest, APastedFractionOfADelayCountsInWholeUnits) {
  Win().Choose(*main->cmbUnit, 2);
  // After 2.5 the spin stays at 2, so 1.6 keeps its text: it still counts 2.
  for (auto [text, seconds] :
       {std::pair{"1.5", 2}, std::pair{"2.5", 2}, std::pair{"1.6", 2}, std::pair{"3.4", 3}}) {
    main->txtPeriod->SetText(text);
    Arm();
    EXPECT_EQ(platform::OleDateToSeconds(main->dtTarget) - platform::OleDateToSeconds(sys.clock.now),
              seconds)
        << text;
    Arm();
  }
}

TEST_F(ArmingTest, ClockTimeEdges) {
  struct Case {
    int h, m, s;  // now
    const char* hour;
    const char* minute;
    int ampm;
    const char* expected;
  };
  for (const Case& c : {
           Case{10, 30, 20, "10", "30", 0, "2012-10-31 10:30:00"},  // passed: tomorrow
           Case{10, 30, 0, "10", "30", 0, "2012-10-30 10:30:00"},   // now: today
           Case{10, 30, 0, "12", "00", 0, "2012-10-31"},            // 12 AM: the coming midnight
           Case{10, 30, 0, "12", "05", 1, "2012-10-30 12:05:00"},   // 12 PM is noon
           Case{10, 30, 0, "1", "00", 1, "2012-10-30 13:00:00"},
           Case{10, 30, 0, "01", "5", 0, "2012-10-31 1:05:00"},      // texts as they stand
           Case{23, 59, 59, "11", "59", 1, "2012-10-31 23:59:00"},
       }) {
    sys.clock.Set(2012, 10, 30, c.h, c.m, c.s);
    ClockMode(c.hour, c.minute, c.ampm);
    Arm();
    EXPECT_EQ(TargetText(), c.expected) << c.hour << ":" << c.minute << (c.ampm ? "PM" : "AM");
    Arm();
  }
}

TEST_F(ArmingTest, AClockTextThatIsNoTimeRefusesWithABeep) {
  ClockMode("10", "30", 0);
  Win().SelectAll(*main->txtMin);
  Win().PressDelete(*main->txtMin);
  ASSERT_EQ(main->txtMin->Text(), "00") << "emptied at 30, the field shows 00";
  Win().PressDelete(*main->txtMin);  // nothing selected: deletes the first 0
  Win().SelectAll(*main->txtMin);
  Win().PressDelete(*main->txtMin);
  ASSERT_EQ(main->txtMin->Text(), "");
  const std::size_t trayCalls = sys.api.trayRecords.size();
  Arm();
  EXPECT_EQ(toolkit.beeps, 1);
  EXPECT_FALSE(main->bTimerOn);
  EXPECT_FALSE(Win().TimerEnabled(*main->Timer));
  EXPECT_TRUE(main->frame->Enabled());
  EXPECT_EQ(main->cmdTimer->Caption(), "激活定时(&E)");
  EXPECT_EQ(main->sAction, "");
  EXPECT_EQ(sys.api.trayRecords.size(), trayCalls);
  for (const char* hour : {"1.", "1a"}) {
    main->txtMin->SetText("15");
    main->txtHour->SetText("1");
    main->txtHour->SetText(hour);  // reads as the hour's own value: left as it stands
    ASSERT_EQ(main->txtHour->Text(), hour);
    Arm();
    EXPECT_FALSE(main->bTimerOn) << '"' << hour << '"';
  }
  EXPECT_EQ(toolkit.beeps, 3);
}

TEST_F(ArmingTest, DisarmingRestoresABlankedIcon) {
  sys.clock.Set(2012, 10, 30, 10, 0, 0);
  Win().Choose(*main->cmbUnit, 2);
  main->txtPeriod->SetText("10");
  Arm();
  Win().Tick(*main->Timer);
  ASSERT_EQ(sys.api.trayRecords.back().hIcon, 0u) << "the first blink tick blanks the icon";
  Arm();
  EXPECT_EQ(sys.api.trayRecords.back().hIcon, ui::memory::MemoryToolkit::kIcon);
  EXPECT_EQ(LastTip(), "没设置动作");
}

// An action this machine cannot do is refused at the press, with the beep
// of a bad clock text: nothing changes but the status line, which names the
// reason, and the action is never called.
TEST(ArmingRefusal, AnActionTheMachineCannotDoIsRefusedWithItsReason) {
  struct Row {
    std::uint32_t major;  // NT 4 or XP
    unsigned caps;        // S1..S4, hibernation file, Modern Standby (bits 0..5)
    int entry;
    const char* status;   // empty: armed
  };
  const Row rows[] = {
      {5, 0b111000, 3, "现代待机的电脑不能挂起"},
      {5, 0b011000, 3, "这台电脑不能挂起"},
      {5, 0b000100, 4, "开休眠需管理员命令提示符：powercfg /h on"},
      {5, 0b101111, 4, "开休眠需管理员命令提示符：powercfg /h on"},
      {4, 0b111111, 3, "这个Windows版本不能挂起"},
      {4, 0b111111, 4, "这个Windows版本不能睡眠"},
      // Wine's answer: S1 and S4 with the file.
      {5, 0b011001, 3, ""},
      {5, 0b011001, 4, ""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(::testing::Message() << "NT " << r.major << " caps " << r.caps << " entry " << r.entry);
    StartedProgram p;
    p.sys.SetVersion(2, r.major, r.major == 4 ? 0 : 1);
    p.sys.api.SetPowerCaps(r.caps);
    ASSERT_TRUE(p.Start());
    frmMain& m = *p.main;
    p.Win().Choose(*m.cmbAction, r.entry);
    auto state = [&] {
      return std::make_tuple(m.bTimerOn, m.sAction, m.bForce, m.bBlink, m.lBlinkSecs, m.dtTarget,
                             m.frame->Enabled(), m.cmdTimer->Caption(), p.Win().TimerEnabled(*m.Timer),
                             p.sys.api.trayRecords.size(), p.Win().Topmost(), p.Win().Visible());
    };
    const auto before = state();
    p.Arm(r.entry, 1);
    p.Fire();
    if (*r.status == '\0') {
      EXPECT_EQ(p.sys.CallsTo("SetSuspendState").size(), 1u);
      continue;
    }
    EXPECT_EQ(p.toolkit.beeps, 1);
    EXPECT_EQ(m.lblStatus->Caption(), r.status);
    EXPECT_TRUE(state() == before) << "a refusal changed more than the status line";
    EXPECT_TRUE(p.sys.CallsTo("SetSuspendState").empty());
    EXPECT_EQ(p.sys.CallsTo("GetPwrCapabilities").size(), r.major == 4 ? 0u : 1u);
  }
}

}  // namespace
