// Start-up, the close rules, the tray icon and the tray menu.
#include "forms/frmMain.h"

#include <utility>

#include "modules/modConstants.h"
#include "modules/modShutdown.h"

using namespace modConstants;

frmMain::frmMain(ui::Toolkit& toolkit, const platform::System& system, std::string webPage)
    : toolkit_(toolkit), system_(system), webPage_(std::move(webPage)),
      about_(toolkit, system, webPage_) {}

bool frmMain::Form_Initialize() {
  // The product page opens on every start, a refused second start included.
  if (!webPage_.empty()) system_.launcher.StartWindowsProgram("explorer", webPage_);
  system_.api.InitCommonControls();

  if (system_.instance.AnotherInstanceRunning()) {
    toolkit_.MessageBox("Vespera已经运行中.", "By: Brennick", ui::MessageIcon::Information);
    return false;
  }

  CreateWindowFromDesign();
  ConnectHandlers();
  const std::string version = modShutdown::GetVersionName(system_.api);
  if (version == "Windows XP" || version == "Windows 2000") cmbAction->AddItem("锁定计算机");

  cmbAction->SetListIndex(0);
  cmbUnit->SetListIndex(0);
  cmbT->SetListIndex(0);

  nid.cbSize = sizeof(platform::NotifyIconDataA);
  nid.hIcon = form_->IconHandle();
  nid.hWnd = form_->Hwnd();
  SetTrayTip("没设置动作");
  nid.uCallbackMessage = ui::kTrayMessage;
  nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  nid.uID = 1;
  AddTrayIcon();

  form_->Show();
  form_->SetFocus(*cmbAction);
  return true;
}

void frmMain::Form_KeyDown(std::int16_t& keyCode) {
  // Read before the list sees the key: by the character, it has closed.
  if (keyCode == vbKeyEscape) {
    bEscForList = cmbAction->DroppedDown() || cmbUnit->DroppedDown() || cmbT->DroppedDown();
  }
}

void frmMain::Form_KeyPress(std::int16_t& key) {
  // The key is not consumed: the focused control still receives it.
  if (key == vbKeyEscape && !std::exchange(bEscForList, false)) form_->Hide();
}

void frmMain::Form_Unload(bool& cancel) {
  if (!bExiting) {
    cancel = true;
    form_->Hide();
    return;
  }
  // The end is final: the countdown stops before anything else, and the
  // removal is the program's last tray call.
  form_->SetTimerEnabled(*Timer, false);
  if (about_.Loaded()) about_.Unload();
  RemoveTrayIcon();
}

void frmMain::mnuExit_Click() {
  // An armed countdown is dropped, never performed (Form_Unload stops it).
  bExiting = true;
  form_->Unload();
}

void frmMain::Form_ShellRestart() {
  // A restarted shell has forgotten the icon; without it a hidden window
  // could never be reached again.
  AddTrayIcon();
}

void frmMain::mnuAbout_Click() { about_.ShowModal(*form_); }

void frmMain::Form_TrayNote(int message) {
  const bool keySelect = bTrayVersion3 && message == NIN_KEYSELECT;
  if (message == WM_LBUTTONDBLCLK || keySelect) {
    if (about_.Visible()) about_.Unload();
    form_->Show();
    // From the keyboard the window must also take it, its focus restored;
    // the shell lets the program that owns the icon come to the front.
    if (keySelect) system_.api.SetForegroundWindow(form_->Hwnd());
  } else if (message == (bTrayVersion3 ? WM_CONTEXTMENU : WM_RBUTTONUP)) {
    // Version 3 sends WM_CONTEXTMENU after every right click's WM_RBUTTONUP
    // too: only one of them opens the menu.
    // Without it the menu would stay open when the user clicks elsewhere.
    system_.api.SetForegroundWindow(form_->Hwnd());
    form_->PopupMenu(*mnuPopup);
  }
}

void frmMain::SetTrayTip(std::string_view text) { modTray::SetTrayTip(nid, text); }
void frmMain::AddTrayIcon() {
  modTray::NotifyIcon(system_, NIM_ADD, nid);
  bTrayVersion3 = modTray::SetVersion3(system_, nid);
}
void frmMain::UpdateTrayIcon() { modTray::NotifyIcon(system_, NIM_MODIFY, nid); }
void frmMain::RemoveTrayIcon() { modTray::NotifyIcon(system_, NIM_DELETE, nid); }

void frmMain::BlinkTrayIcon() {
  nid.hIcon = bIconPhase ? form_->IconHandle() : 0;
  UpdateTrayIcon();
}
