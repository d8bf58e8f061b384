// Arming, disarming, the countdown tick and the firing of the action.
#include <string>

#include "forms/frmMain.h"
#include "forms/status_texts.h"
#include "modules/modConstants.h"
#include "modules/modShutdown.h"
#include "platform/dates.h"
#include "platform/numeric.h"

using namespace modConstants;
using status_texts::FailureText;
using status_texts::RefusalText;

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

// Why the action cannot be armed on this machine; None when it can.
modShutdown::Refusal ArmingRefusal(platform::WinApi& api, const std::string& action) {
  if (action == "挂起") return modShutdown::SuspendRefusal(api, 0);
  if (action == "睡眠") return modShutdown::SuspendRefusal(api, 1);
  if (action == "锁定计算机" && !modShutdown::LockAllowed(modShutdown::GetVersionInfo(api))) {
    return modShutdown::Refusal::Version;
  }
  return modShutdown::Refusal::None;
}

std::int64_t UnitSeconds(const std::string& unit) {
  if (unit == "时") return 3600;
  if (unit == "分") return 60;
  return 1;
}

}  // namespace

void frmMain::cmdTimer_Click() {
  if (bTimerOn) {
    Disarm();
  } else if (!Arm()) {
    toolkit_.Beep();
    return;
  }
  bTimerOn = !bTimerOn;
  form_->SetTimerEnabled(*Timer, bTimerOn);
}

void frmMain::Disarm() {
  form_->EndTopmost();
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
  // An action this machine cannot do, or a clock text that is no time,
  // refuses the press before anything changes; the status line says why.
  const std::string action = cmbAction->Text();
  const modShutdown::Refusal refusal = ArmingRefusal(system_.api, action);
  if (refusal != modShutdown::Refusal::None) {
    lblStatus->SetCaption(RefusalText(refusal, action));
    lblStatus->Announce();
    return false;
  }
  double deadline = 0;
  if (!ComputeDeadline(deadline)) return false;

  // A window left in front by a failed action goes back among the others.
  form_->EndTopmost();
  bWarned = false;
  frame->SetEnabled(false);
  cmdTimer->SetCaption("禁止定时器(&D)");
  sAction = action;
  bForce = chkForce->Value() != 0;
  bBlink = chkBlink->Value() != 0;
  lBlinkSecs = platform::ToInt32(platform::NumericValue(txtBlink->Text()));
  dtTarget = deadline;
  lSecondsLeft = kNotYet;
  bDeferred = false;
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
  const bool warning = bBlink && secondsLeft <= lBlinkSecs;
  // Past the deadline (the action put off, the clock moved on) it shows 0.
  const std::int32_t shown = secondsLeft > 0 ? secondsLeft : 0;

  // Read out sparingly, never on every tick and never a text twice in a
  // row: the first text, each new minute (rounded up), the start of the
  // warning, and every new text of the last ten seconds.
  const auto minutes = [](std::int32_t s) { return s > 0 ? (s - 1) / 60 + 1 : 0; };
  if (shown != lSecondsLeft && (lSecondsLeft == kNotYet || minutes(shown) != minutes(lSecondsLeft) ||
                                (warning && !bWarned) || shown <= 10)) {
    lblStatus->Announce();
  }
  lSecondsLeft = shown;
  lblStatus->SetCaption(std::to_string(shown).append(" 秒后执行"));

  if (warning) {
    // The tray icon may sit in the hidden overflow: the last warning is the
    // window itself, once per countdown, and a hidden one stays hidden.
    if (!bWarned) {
      bWarned = true;
      BringToFront();
      toolkit_.WarningBeep();
    }
    BlinkTrayIcon();
    bIconPhase = !bIconPhase;
  }

  const std::int64_t target = platform::OleDateToSeconds(dtTarget);
  const std::int64_t now = platform::OleDateToSeconds(system_.clock.Now());
  if (target > now) return;
  // A command that reached the program first (a disarm, Exit) runs first:
  // the tick that finds the deadline come, and the later ticks of the
  // deadline's second, leave the action to the next tick while one waits.
  // From a second past the deadline on, input that keeps coming (a key
  // held down, a program that types) puts it off no more. Nothing of this
  // tick calls the system between this check and the action.
  if ((!bDeferred || now < target + 1) && toolkit_.UserCommandWaiting()) {
    bDeferred = true;
    return;
  }
  std::uint32_t error = 0;
  if (!PerformAction(error)) {
    ActionFailed(error);
    return;
  }
  bExiting = true;
  form_->Unload();
}

bool frmMain::PerformAction(std::uint32_t& error) {
  platform::WinApi& api = system_.api;
  if (sAction == "关机") return modShutdown::DoExitWindows(api, EWX_POWEROFF, bForce, &error);
  if (sAction == "重新启动") return modShutdown::DoExitWindows(api, EWX_REBOOT, bForce, &error);
  if (sAction == "注销") return modShutdown::DoExitWindows(api, EWX_LOGOFF, bForce, &error);
  if (sAction == "挂起") return modShutdown::DoSuspend(api, 0, bForce, false, &error);
  if (sAction == "睡眠") return modShutdown::DoSuspend(api, 1, bForce, false, &error);
  return modShutdown::DoLockWorkstation(api, &error);
}

// The machine did not do it: the program stays, disarmed, and says why.
void frmMain::ActionFailed(std::uint32_t error) {
  // What the user did while the call ran was meant for the countdown that
  // has now ended.
  toolkit_.DiscardUserCommands();
  form_->SetTimerEnabled(*Timer, false);
  Disarm();
  bTimerOn = false;
  // Disarm's announcement reads out this text: the one the handler ends with.
  lblStatus->SetCaption(FailureText(sAction, error));
  BringToFront();
}

void frmMain::BringToFront() {
  if (about_.Visible()) about_.Unload();
  form_->ShowInFront();
}
