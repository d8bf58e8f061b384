#include "ui/win32/controls.h"

#include "platform/win32/winapi_win32.h"
#include "ui/win32/form.h"
#include "ui/win32/wide.h"

namespace ui::win32 {

TextBoxImpl::TextBoxImpl(WinForm& form, const TextBoxDesign& d)
    : Wrapped(form, Kind::TextBox, d) {
  Create(L"EDIT", WS_VISIBLE | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE,
         Widen(d.caption));
  // Bounds typing and pasting by the user; SetWindowText is not limited.
  if (d.maxLength > 0) SendMessageW(hwnd_, EM_LIMITTEXT, static_cast<WPARAM>(d.maxLength), 0);
  // No input method composes into the box: what it types must pass the
  // box's filter one character at a time.
  platform::DisableInputMethod(reinterpret_cast<platform::Handle>(hwnd_));
}

std::string TextBoxImpl::Text() const { return Narrow(WindowText()); }

// EN_CHANGE arrives before SetWindowTextW returns: OnChange nests here.
void TextBoxImpl::SetText(const std::string& text) {
  ++caret_.rewriting;
  SetWindowTextW(hwnd_, Widen(text).c_str());
  --caret_.rewriting;
  if (GetFocus() != hwnd_) return;
  const auto at = static_cast<WPARAM>(caret_.After(static_cast<std::size_t>(GetWindowTextLengthW(hwnd_))));
  SendMessageW(hwnd_, EM_SETSEL, at, static_cast<LPARAM>(at));
}

std::size_t TextBoxImpl::SelStart() const {
  DWORD start = 0;
  SendMessageW(hwnd_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
  return start;
}

void TextBoxImpl::OnCommand(WORD code) {
  if (code != EN_CHANGE) return;
  if (caret_.rewriting == 0) {
    DWORD end = 0;
    SendMessageW(hwnd_, EM_GETSEL, 0, reinterpret_cast<LPARAM>(&end));
    caret_.UserEdited(static_cast<std::size_t>(GetWindowTextLengthW(hwnd_)), end);
  }
  Gate().Raise(OnChange);
}

LRESULT TextBoxImpl::SubclassedProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CHAR:
    case WM_IME_CHAR: {
      // Typed, sent straight to the box by another program, or given by an
      // input method: every character passes the key preview and the filter.
      auto key = static_cast<std::int16_t>(static_cast<std::uint16_t>(wParam));
      if (!form_.KeyPress(this, key)) return 0;
      return CallOriginal(msg, static_cast<WPARAM>(static_cast<std::uint16_t>(key)), lParam);
    }
    case WM_IME_STARTCOMPOSITION:
    case WM_IME_COMPOSITION:
    case WM_IME_ENDCOMPOSITION:
      // The edit would insert a composition's result as a whole; the
      // default handling sends it as WM_IME_CHAR, one character at a time.
      return DefWindowProcW(hwnd_, msg, wParam, lParam);
    default: return CallOriginal(msg, wParam, lParam);
  }
}

}  // namespace ui::win32
