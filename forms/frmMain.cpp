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
  const modShutdown::OSVersionRecord os = modShutdown::GetVersionInfo(system_.api);
  const std::string version = modShutdown::VersionTypeName(os.lVersionType);
  if (version == "Windows XP" || version == "Windows 2000") cmbAction->AddItem("锁定计算机");
  bWideTray = os.lPlatformId == VER_PLATFORM_WIN32_NT;

  cmbAction->SetListIndex(0);
  cmbUnit->SetListIndex(0);
  cmbT->SetListIndex(0);

  nid.cbSize = bWideTray ? sizeof(platform::NotifyIconDataW) : sizeof(platform::NotifyIconDataA);
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
  if (key == vbKeyEscape && !std::exchange(bEscForList, false)) HideWindow();
}

void frmMain::Form_Unload(bool& cancel) {
  if (!bExiting) {
    cancel = true;
    HideWindow();
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
  // could never be reached again: where the add fails, the window waits on
  // its taskbar button.
  AddTrayIcon();
  if (!bTrayIcon && !form_->Visible()) form_->Minimize();
}

void frmMain::TrayTimer_Timer() { AddTrayIcon(); }

void frmMain::HideWindow() {
  if (!bTrayIcon) return form_->Minimize();
  form_->Hide();
  form_->SetTaskbarButton(false);
}

void frmMain::mnuAbout_Click() { about_.ShowModal(*form_); }

void frmMain::Form_TrayNote(int message) {
  const bool keySelect = bTrayVersion3 && message == NIN_KEYSELECT;
  const bool afterRightUp = std::exchange(bRightUp, message == WM_RBUTTONUP);
  if (message == WM_LBUTTONDBLCLK || keySelect) {
    if (about_.Visible()) about_.Unload();
    form_->Show();
    // The window takes the keyboard, its focus restored; the shell lets
    // the program that owns the icon come to the front.
    system_.api.SetForegroundWindow(form_->Hwnd());
  } else if (message == (bTrayVersion3 ? WM_CONTEXTMENU : WM_RBUTTONUP)) {
    // Version 3 sends WM_CONTEXTMENU after every right click's WM_RBUTTONUP
    // too: only one of them opens the menu.
    // Without it the menu would stay open when the user clicks elsewhere.
    system_.api.SetForegroundWindow(form_->Hwnd());
    // From the keyboard the menu opens at the icon, where the shell can
    // tell; from the mouse, at the pointer.
    platform::ScreenRect icon{};
    const bool atIcon = bTrayVersion3 && !afterRightUp && modTray::IconRect(system_, nid, icon);
    const ui::Rect beside{icon.left, icon.top, icon.right - icon.left, icon.bottom - icon.top};
    // A menu left without a command gives the keyboard back to the
    // notification area; a command takes it where it leads.
    if (!form_->PopupMenu(*mnuPopup, atIcon ? &beside : nullptr) && form_->Loaded()) {
      modTray::NotifyShell5(system_, NIM_SETFOCUS, nid);
    }
  }
}

void frmMain::SetTrayTip(std::string_view text) { modTray::SetTrayTip(nid, text); }
void frmMain::AddTrayIcon() {
  // A shell that kept the icon refuses to add it again: the modify finds it.
  bTrayIcon = modTray::NotifyIcon(system_, NIM_ADD, nid, bWideTray) ||
              modTray::NotifyIcon(system_, NIM_MODIFY, nid, bWideTray);
  bTrayVersion3 = bTrayIcon && modTray::NotifyShell5(system_, NIM_SETVERSION, nid);
  form_->SetTimerEnabled(*TrayTimer, !bTrayIcon);
  if (!bTrayIcon) return form_->SetTaskbarButton(true);
  // A window minimised for want of the icon was closed: it goes to the icon.
  if (form_->Minimized() || !form_->Visible()) HideWindow();
}
void frmMain::UpdateTrayIcon() { modTray::NotifyIcon(system_, NIM_MODIFY, nid, bWideTray); }
void frmMain::RemoveTrayIcon() { modTray::NotifyIcon(system_, NIM_DELETE, nid, bWideTray); }

void frmMain::BlinkTrayIcon() {
  nid.hIcon = bIconPhase ? form_->IconHandle() : 0;
  UpdateTrayIcon();
}
