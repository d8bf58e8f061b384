// Arming, disarming, the countdown tick and the firing of the action.
#include <string>

#include "forms/frmMain.h"
#include "modules/modConstants.h"
#include "modules/modShutdown.h"
#include "platform/dates.h"
#include "platform/numeric.h"

using namespace modConstants;

namespace {

// Hour or minute text of a clock time: one or two digits, blanks around them
// allowed.
bool ReadClockPart(const std::string& text, int low, int high, int& value) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return false;
  const auto last = text.find_last_not_of(" \t");
  const std::string digits = text.substr(first, last - first + 1);
  if (digits.empty() || digits.size() > 2) return false;
  value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return value >= low && value <= high;
}

std::int64_t UnitSeconds(const std::string& unit) {
  if (unit == "时") return 3600;
  if (unit == "分") return 60;
  return 1;
}

}  // namespace

void frmMain::cmdTimer_Click() {
  if (bTimerOn) {
    // The tray call below can deliver notifications, and with them a menu
    // whose loop delivers ticks: none may fire what is being disarmed.
    form_->SetTimerEnabled(*Timer, false);
    Disarm();
  } else if (!Arm()) {
    toolkit_.Beep();
    return;
  }
  bTimerOn = !bTimerOn;
  form_->SetTimerEnabled(*Timer, bTimerOn);
}

void frmMain::Disarm() {
  lblStatus->SetCaption("定时器禁止");
  lblStatus->Announce();
  cmdTimer->SetCaption("激活定时器(&E)");
  // Undoes a blank phase the warning blink may have left.
  nid.hIcon = form_->IconHandle();
  SetTrayTip("没设置动作");
  UpdateTrayIcon();
  frame->SetEnabled(true);
}

bool frmMain::Arm() {
  double deadline = 0;
  // A clock text that is no time refuses the press before anything changes.
  if (!ComputeDeadline(deadline)) return false;

  frame->SetEnabled(false);
  cmdTimer->SetCaption("禁止定时器(&D)");
  sAction = cmbAction->Text();
  bForce = chkForce->Value() != 0;
  bBlink = chkBlink->Value() != 0;
  lBlinkSecs = platform::ToInt32(platform::NumericValue(txtBlink->Text()));
  dtTarget = deadline;
  lMinutesLeft = kNotYet;
  bWarningTold = false;
  std::string tip = "程序将要在";
  tip.append(platform::DateText(dtTarget, system_.dateFormat)).append("执行").append(sAction);
  SetTrayTip(tip);
  UpdateTrayIcon();
  return true;
}

bool frmMain::ComputeDeadline(double& deadline) {
  const std::int64_t now = platform::OleDateToSeconds(system_.clock.Now());
  if (opt[0]->Value()) {
    // A fraction can only have been pasted; it counts in whole units.
    const double n = platform::RoundHalfEven(platform::NumericValue(txtPeriod->Text()));
    const std::int64_t count = n > 999 ? 999 : (n < 0 ? 0 : static_cast<std::int64_t>(n));
    deadline = platform::OleDateFromSeconds(now + count * UnitSeconds(cmbUnit->Text()));
    return true;
  }

  int hour = 0, minute = 0;
  const std::string ampm = cmbT->Text();
  if (!ReadClockPart(txtHour->Text(), 1, 12, hour) || !ReadClockPart(txtMin->Text(), 0, 59, minute) ||
      (ampm != "AM" && ampm != "PM")) {
    return false;
  }
  const int hour24 = hour % 12 + (ampm == "PM" ? 12 : 0);
  const platform::CivilTime today = platform::CivilFromOleDate(platform::OleDateFromSeconds(now));
  std::int64_t target = platform::OleDateToSeconds(
      platform::OleDateFromCivil(today.year, today.month, today.day, hour24, minute, 0));
  if (target < platform::OleDateToSeconds(system_.clock.Now())) target += platform::kSecondsPerDay;
  deadline = platform::OleDateFromSeconds(target);
  return true;
}

void frmMain::Timer_Timer() {
  const std::int64_t left =
      platform::OleDateToSeconds(dtTarget) - platform::OleDateToSeconds(system_.clock.Now());
  const std::int32_t secondsLeft = platform::ToInt32(static_cast<double>(left));
  const std::string text = std::to_string(secondsLeft).append(" 秒后执行");
  const bool warning = bBlink && secondsLeft <= lBlinkSecs;

  // Read out sparingly, never on every tick: the first text, each new
  // minute, the start of the warning, and every second of the last ten.
  const std::int32_t minutes = secondsLeft > 0 ? (secondsLeft - 1) / 60 + 1 : secondsLeft / 60;
  if (minutes != lMinutesLeft || (warning && !bWarningTold) ||
      (secondsLeft <= 10 && text != lblStatus->Caption())) {
    lblStatus->Announce();
  }
  lMinutesLeft = minutes;
  bWarningTold = bWarningTold || warning;
  lblStatus->SetCaption(text);

  if (warning) {
    BlinkTrayIcon();
    bIconPhase = !bIconPhase;
  }

  if (platform::OleDateToSeconds(dtTarget) > platform::OleDateToSeconds(system_.clock.Now())) return;
  PerformAction();
  bExiting = true;
  form_->Unload();
}

void frmMain::PerformAction() {
  platform::WinApi& api = system_.api;
  if (sAction == "关机") {
    modShutdown::DoExitWindows(api, EWX_POWEROFF, bForce);
  } else if (sAction == "重新启动") {
    modShutdown::DoExitWindows(api, EWX_REBOOT, bForce);
  } else if (sAction == "注销") {
    modShutdown::DoExitWindows(api, EWX_LOGOFF, bForce);
  } else if (sAction == "挂起") {
    modShutdown::DoSuspend(api, 0, bForce, false);
  } else if (sAction == "睡眠") {
    modShutdown::DoSuspend(api, 1, bForce, false);
  } else if (sAction == "锁定计算机") {
    modShutdown::DoLockWorkstation(api);
  }
}
