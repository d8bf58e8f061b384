#include "ui/win32/container.h"

#include "ui/win32/form.h"
#include "ui/win32/wide.h"

namespace ui::win32 {

ContainerImpl::ContainerImpl(WinForm& form, Kind kind, const ControlDesign& d)
    : Wrapped(form, kind, d) {
  // WS_EX_CONTROLPARENT: the window system treats the children as the form's.
  // No WS_CLIPCHILDREN: the frame's group box covers the whole container.
  Create(kContainerClass, WS_VISIBLE, WS_EX_CONTROLPARENT, L"");
  if (kind != Kind::Frame || hwnd_ == nullptr) return;
  groupBox_ = CreateWindowExW(0, L"BUTTON", Widen(d.caption).c_str(),
                              WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | BS_GROUPBOX | (d.enabled ? 0 : WS_DISABLED),
                              0, 0, 0, 0, hwnd_, nullptr, form.GetShared().instance, nullptr);
  ApplyDpi();
}

void ContainerImpl::ApplyDpi() {
  ControlBase::ApplyDpi();
  if (groupBox_ == nullptr) return;
  // The group box covers the whole container.
  RECT r{};
  GetClientRect(hwnd_, &r);
  SetWindowPos(groupBox_, nullptr, 0, 0, r.right, r.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
  SendMessageW(groupBox_, WM_SETFONT, reinterpret_cast<WPARAM>(form_.ControlFont()), TRUE);
}

void ContainerImpl::ApplyEnabled(bool enabled) {
  HWND focus = GetFocus();
  bool focusInside = focus != nullptr && (focus == hwnd_ || IsChild(hwnd_, focus));
  ControlBase* focused = focusInside ? form_.ControlOf(focus) : nullptr;
  EnableWindow(hwnd_, enabled ? TRUE : FALSE);
  // Greys the frame's caption.
  if (groupBox_ != nullptr) EnableWindow(groupBox_, enabled ? TRUE : FALSE);
  if (!enabled && focusInside) form_.FocusNextAfter(focused != nullptr ? focused->TabIndex() : TabIndex());
}

LRESULT CALLBACK ContainerImpl::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    auto* base = static_cast<ControlBase*>(create->lpCreateParams);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(static_cast<ContainerImpl*>(base)));
  }
  auto* self = reinterpret_cast<ContainerImpl*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (msg == WM_NCDESTROY) SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
  if (self == nullptr) return DefWindowProcW(hwnd, msg, wParam, lParam);
  return self->HandleMessage(hwnd, msg, wParam, lParam);
}

LRESULT ContainerImpl::HandleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (form_.GetShared().HoldForeign(&form_, hwnd, msg, wParam, lParam)) return 0;
  switch (msg) {
    case WM_ERASEBKGND: {
      RECT r{};
      GetClientRect(hwnd, &r);
      FillRect(reinterpret_cast<HDC>(wParam), &r, form_.BackgroundBrush());
      return 1;
    }
    case WM_PARENTNOTIFY:
      // New children come in at the bottom: the group box must stay under
      // them, or it hides them.
      if (LOWORD(wParam) == WM_CREATE && groupBox_ != nullptr) {
        SetWindowPos(groupBox_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      }
      break;
    default: break;
  }
  LRESULT result = 0;
  if (WinForm::IsChildNotification(msg) && form_.HandleChildMessage(msg, wParam, lParam, result)) {
    return result;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

}  // namespace ui::win32
