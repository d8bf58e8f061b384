// The main window: the scheduler's settings, its state, the tray icon and
// the tray menu.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "forms/frmAbout.h"
#include "modules/modTray.h"
#include "platform/system.h"
#include "ui/controls.h"

class frmMain {
 public:
  // webPage: the product web page opened at start; empty opens none.
  frmMain(ui::Toolkit& toolkit, const platform::System& system, std::string webPage);

  // The start-up sequence. False when the program must end at once (another
  // instance runs); otherwise the window is shown and the loop may run.
  bool Form_Initialize();

  ui::Form* Window() { return form_.get(); }
  frmAbout& About() { return about_; }

  // Handlers, called by the window system.
  void Form_KeyDown(std::int16_t& keyCode);
  void Form_KeyPress(std::int16_t& key);
  void Form_Unload(bool& cancel);
  void Form_TrayNote(int message);
  void mnuExit_Click();
  void Form_ShellRestart();
  void mnuAbout_Click();
  void cmdTimer_Click();
  void Timer_Timer();
  void TrayTimer_Timer();
  void opt_Click(int Index);
  void chkBlink_Click();

  // Scheduler state.
  std::string sAction;
  bool bTimerOn = false;
  bool bExiting = false;
  bool bBlink = false;
  bool bForce = false;
  std::int32_t lBlinkSecs = 0;
  double dtTarget = 0;
  bool bIconPhase = false;
  // The warning has brought the window to the front in this countdown.
  bool bWarned = false;
  modTray::NotifyIconData nid{};

  // Controls, created by the start-up sequence.
  ui::Timer* Timer = nullptr;
  // Adds the tray icon again every two seconds while the shell has refused it.
  ui::Timer* TrayTimer = nullptr;
  ui::Button* cmdTimer = nullptr;
  ui::Container* frame = nullptr;
  ui::Container* pic = nullptr;
  std::array<ui::OptionButton*, 2> opt{};
  ui::TextBox* txtPeriod = nullptr;
  ui::ScrollBar* vsPeriod = nullptr;
  ui::ComboBox* cmbUnit = nullptr;
  ui::TextBox* txtHour = nullptr;
  ui::ScrollBar* vsHour = nullptr;
  ui::TextBox* txtMin = nullptr;
  ui::ScrollBar* vsMin = nullptr;
  ui::ComboBox* cmbT = nullptr;
  std::array<ui::Label*, 2> lbl{};
  ui::ComboBox* cmbAction = nullptr;
  ui::CheckBox* chkForce = nullptr;
  ui::CheckBox* chkBlink = nullptr;
  ui::TextBox* txtBlink = nullptr;
  ui::ScrollBar* vsBlink = nullptr;
  ui::Label* lblStatus = nullptr;
  ui::Menu* mnuPopup = nullptr;
  ui::MenuItem* mnuExit = nullptr;
  ui::MenuItem* mnuSep = nullptr;
  ui::MenuItem* mnuAbout = nullptr;

 private:
  void CreateWindowFromDesign();
  void ConnectHandlers();

  // Tray record operations.
  void SetTrayTip(std::string_view text);
  void AddTrayIcon();
  void UpdateTrayIcon();
  void RemoveTrayIcon();
  void BlinkTrayIcon();
  // Esc and the close: hidden, or minimised to its taskbar button while the
  // tray icon is missing, so that the window stays within reach.
  void HideWindow();

  // Arming helpers.
  void Disarm();
  bool Arm();
  bool ComputeDeadline(double& deadline);
  // True when the action's call succeeded; otherwise error is what it reported.
  bool PerformAction(std::uint32_t& error);
  void ActionFailed(std::uint32_t error);
  // The window above all others, without the focus; About closes first.
  void BringToFront();

  // Numeric entry fields: one rule set shared by the four pairs.
  void TextChanged(ui::TextBox& txt, ui::ScrollBar& vs);
  void SpinChanged(ui::ScrollBar& vs, ui::TextBox& txt, bool twoDigits);
  static bool IsDigitKey(const std::int16_t& KeyAscii);
  static void DigitFilter(std::int16_t& KeyAscii);
  void txtMin_KeyPress(std::int16_t& KeyAscii);

  // The shell took NIM_SETVERSION 3 after the last add: the menu comes on
  // WM_CONTEXTMENU, and the keyboard can select the icon.
  bool bTrayVersion3 = false;
  // The minute text starts with a 0 that the program wrote: the spin's
  // padding (5 typed becomes 05), kept in front by a shift. A digit typed
  // at its end shifts in; a 0 the user typed keeps the two-character limit.
  bool bMinPadded = false;
  // The shell holds the icon: the last add, or the modify after it, went through.
  bool bTrayIcon = false;
  // The NT platform: the record goes to the shell in its wide form.
  bool bWideTray = false;
  // The last note was the right button's release: under version 3 the
  // WM_CONTEXTMENU after it is the mouse's, one alone the keyboard's.
  bool bRightUp = false;
  // The Esc going down closes an open list: its character is the list's.
  bool bEscForList = false;
  // The seconds left shown by the last tick, for assistive technology;
  // arming sets kNotYet, so that its first text is heard.
  static constexpr std::int32_t kNotYet = INT32_MIN;
  std::int32_t lSecondsLeft = kNotYet;
  // A tick at the deadline left the action to a later one: a command waited.
  bool bDeferred = false;

  ui::Toolkit& toolkit_;
  const platform::System& system_;
  std::string webPage_;
  std::unique_ptr<ui::Form> form_;
  frmAbout about_;
};
