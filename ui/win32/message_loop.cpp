#include "ui/win32/message_loop.h"

#include "ui/win32/form.h"
#include "ui/win32/waiting_calls.h"

namespace ui::win32 {

namespace {

bool KeyDown(int key) { return GetKeyState(key) < 0; }

bool PreTranslateForForm(WinForm& form, MSG& msg) {
  switch (msg.message) {
    case WM_KEYDOWN:
      // The window sees the key before the control that has the focus.
      if (!form.PreviewKeyDown(msg)) return true;
      if (msg.wParam == VK_TAB && !KeyDown(VK_CONTROL) && !KeyDown(VK_MENU)) {
        return form.TabFrom(KeyDown(VK_SHIFT));
      }
      if (msg.wParam == VK_UP || msg.wParam == VK_LEFT) return form.ArrowInGroup(msg.hwnd, true);
      if (msg.wParam == VK_DOWN || msg.wParam == VK_RIGHT) {
        return form.ArrowInGroup(msg.hwnd, false);
      }
      return false;
    case WM_SYSCHAR: return form.AccessKey(static_cast<wchar_t>(msg.wParam));
    case WM_CHAR: return form.PreviewChar(msg);
    default: return false;
  }
}

void Dispatch(const Shared& shared, MSG& msg) {
  if (PreTranslate(shared, msg)) return;
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

}  // namespace

bool PreTranslate(const Shared& shared, MSG& msg) {
  if (msg.message != WM_KEYDOWN && msg.message != WM_SYSCHAR && msg.message != WM_CHAR) {
    return false;
  }
  WinForm* form = WinForm::FromWindow(shared, GetAncestor(msg.hwnd, GA_ROOT));
  return form != nullptr && PreTranslateForForm(*form, msg);
}

void RunMessageLoop(const Shared& shared) {
  MSG msg;
  while (GetMessageWaiting(&msg) > 0) Dispatch(shared, msg);
}

void RunModalLoop(const Shared& shared, const std::function<bool()>& done) {
  MSG msg;
  while (!done()) {
    BOOL got = GetMessageWaiting(&msg);
    if (got == 0) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    if (got < 0) return;
    Dispatch(shared, msg);
  }
}

}  // namespace ui::win32
