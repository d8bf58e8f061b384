// The form's window procedure: one short function per message.
#include "platform/win32/winapi_win32.h"
#include "ui/held_input.h"
#include "ui/win32/form.h"
#include "ui/win32/timer_menu.h"

namespace ui::win32 {

LRESULT CALLBACK WinForm::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    auto* self = static_cast<WinForm*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<WinForm*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(hwnd, msg, wParam, lParam);
  return self->HandleMessage(msg, wParam, lParam);
}

LRESULT WinForm::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  HWND hwnd = hwnd_;
  LRESULT result = 0;
  // The tray's notes and the shell's restart may arrive inside a handler's
  // tray call, and wait for it.
  const bool restart = msg == shared_.taskbarCreated && msg != 0;
  if (restart || msg == kTrayMessage) {
    const Note note{this, reinterpret_cast<std::uintptr_t>(hwnd), msg, wParam, lParam,
                    restart ? Note::Kind::Restart : TrayNoteKind(lParam)};
    if (!shared_.gate.Hold(note)) OnShellNote(note);
    return 0;
  }
  if (shared_.HoldForeign(this, hwnd, msg, wParam, lParam)) return 0;
  if (IsChildNotification(msg) && HandleChildMessage(msg, wParam, lParam, result)) return result;
  switch (msg) {
    case WM_ERASEBKGND: {
      RECT r{};
      GetClientRect(hwnd, &r);
      FillRect(reinterpret_cast<HDC>(wParam), &r, BackgroundBrush());
      return 1;
    }
    case WM_CLOSE:
      Unload();
      return 0;
    case WM_DESTROY:
      OnDestroy();
      return 0;
    case WM_NCDESTROY:
      OnNcDestroy();
      return DefWindowProcW(hwnd, msg, wParam, lParam);
    case WM_TIMER:
      OnTimerMessage(wParam);
      return 0;
    case WM_LBUTTONUP:
      shared_.gate.Raise(OnClick);
      return 0;
    case WM_MOUSEMOVE:
      RaiseMouseMove(shared_.gate, OnMouseMove, wParam, lParam, dpi_);
      return 0;
    case WM_DPICHANGED:
      OnDpiChanged(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_ACTIVATE:
      OnActivate(LOWORD(wParam) != WA_INACTIVE);
      return 0;
    case WM_SETFOCUS:
      if (savedFocus_ != nullptr && IsWindow(savedFocus_)) ::SetFocus(savedFocus_);
      return 0;
    default: break;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

bool WinForm::IsChildNotification(UINT msg) {
  switch (msg) {
    case WM_COMMAND:
    case WM_VSCROLL:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR: return true;
    default: return false;
  }
}

bool WinForm::HandleChildMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  auto child = reinterpret_cast<HWND>(lParam);
  if (child == nullptr) return false;
  ControlBase* control = nullptr;
  for (const auto& c : controls_) {
    if (c->Hwnd() == child) control = c.get();
  }
  switch (msg) {
    case WM_COMMAND:
      if (control == nullptr) return false;
      control->OnCommand(HIWORD(wParam));
      result = 0;
      return true;
    case WM_VSCROLL: {
      if (control == nullptr) return false;
      // The 16-bit position of the message is enough for ranges up to 65535.
      control->OnScroll(LOWORD(wParam), static_cast<int>(HIWORD(wParam)));
      result = 0;
      return true;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
      auto dc = reinterpret_cast<HDC>(wParam);
      HBRUSH brush = nullptr;
      if (control != nullptr) {
        brush = control->OnColor(dc);
      } else {
        // The frames' group boxes.
        SetBkColor(dc, BackgroundColor());
        brush = BackgroundBrush();
      }
      if (brush == nullptr) return false;
      result = reinterpret_cast<LRESULT>(brush);
      return true;
    }
    default: return false;
  }
}

void WinForm::OnActivate(bool active) {
  if (!active) {
    HWND focus = GetFocus();
    if (focus != nullptr && IsChild(hwnd_, focus)) savedFocus_ = focus;
    return;
  }
  focusPending_ = false;
  if (savedFocus_ != nullptr && IsWindow(savedFocus_) && IsWindowVisible(savedFocus_) &&
      EffectivelyEnabled(savedFocus_)) {
    ::SetFocus(savedFocus_);
    return;
  }
  FocusNextAfter(-1);
}

void WinForm::OnShellNote(const Note& note) {
  if (hwnd_ == nullptr) return;
  if (note.kind == Note::Kind::Restart) {
    shared_.gate.Raise(OnShellRestart);
    return;
  }
  // The mouse message is the low word of the second parameter, whatever
  // the version of the tray's protocol.
  shared_.gate.Raise(OnTrayNote, static_cast<int>(LOWORD(note.lParam)));
}

void RaiseMouseMove(HandlerGate& gate,
                    const std::function<void(int, int, double, double)>& handler,
                    WPARAM wParam, LPARAM lParam, int dpi) {
  int button = ((wParam & MK_LBUTTON) ? 1 : 0) | ((wParam & MK_RBUTTON) ? 2 : 0) |
               ((wParam & MK_MBUTTON) ? 4 : 0);
  int shift = ((wParam & MK_SHIFT) ? 1 : 0) | ((wParam & MK_CONTROL) ? 2 : 0) |
              (GetKeyState(VK_MENU) < 0 ? 4 : 0);
  // 1440 / DPI twips per pixel, a real number.
  const double twips = 1440.0 / dpi;
  gate.Raise(handler, button, shift, GET_X_LPARAM(lParam) * twips, GET_Y_LPARAM(lParam) * twips);
}

void DeliverNote(const Note& note) {
  auto hwnd = reinterpret_cast<HWND>(note.target);
  if (note.message == kTrayMessage || note.kind == Note::Kind::Restart) {
    const_cast<WinForm*>(static_cast<const WinForm*>(note.form))->OnShellNote(note);
  } else if (IsWindow(hwnd)) {
    // Sent from this thread now, it runs the window's whole handling: the
    // control's own, the key preview and the filters.
    const LPARAM lParam = note.text.empty() ? note.lParam : reinterpret_cast<LPARAM>(note.text.data());
    SendMessageW(hwnd, note.message, note.wParam, lParam);
  }
}

bool Shared::HoldForeign(const Form* form, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  // Sent by another thread, however it was sent: SendMessage, or
  // SendNotifyMessage and SendMessageCallback, which InSendMessage is not
  // documented to tell. Inside a handler that answers another thread's
  // message the program's own sends look the same: only what arrives while
  // the thread waits in a system call that the handler made is another
  // thread's.
  constexpr DWORD kAnotherThread = ISMEX_SEND | ISMEX_NOTIFY | ISMEX_CALLBACK;
  if (!HeldWhenSent(msg) || (InSendMessageEx(nullptr) & kAnotherThread) == 0 ||
      (gate.Busy() && platform::waitingCalls == waitsBefore)) {
    return false;
  }
  Note note{form, reinterpret_cast<std::uintptr_t>(hwnd), msg, wParam, lParam, Note::Kind::Command};
  if (msg == WM_SETTEXT && lParam != 0) {
    // The sender's text lives only as long as its call: the note keeps a copy.
    const auto* text = reinterpret_cast<const char*>(lParam);
    note.text.assign(text, (lstrlenW(reinterpret_cast<const wchar_t*>(lParam)) + 1) * sizeof(wchar_t));
  }
  return gate.Hold(note);
}

void WinForm::OnTimerMessage(UINT_PTR id) {
  // Only a loop delivers ticks, so never inside a handler's code.
  if (shared_.gate.Busy()) return;
  for (const auto& t : timers_) {
    if (t->Id() == id && t->running) {
      shared_.gate.Raise(t->OnTimer);
      return;
    }
  }
}

void WinForm::OnDestroy() {
  // A timer tick can unload the window while its popup menu is open.
  if (menuDepth_ > 0) EndMenu();
  if (modalOwner_ != nullptr && IsWindow(modalOwner_)) EnableWindow(modalOwner_, TRUE);
  for (const auto& t : timers_) {
    KillTimer(hwnd_, t->Id());
    t->running = false;
  }
  for (const auto& c : controls_) c->RemoveName();
  RemovePropW(hwnd_, kNameProp);
  if (nameAtom_ != 0) GlobalDeleteAtom(nameAtom_);
  nameAtom_ = 0;
  if (design_.isMainWindow) PostQuitMessage(0);
}

void WinForm::OnNcDestroy() {
  shared_.gate.Forget(this);
  SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
  for (const auto& c : controls_) c->Detach();
  hwnd_ = nullptr;
  savedFocus_ = nullptr;
}

}  // namespace ui::win32
