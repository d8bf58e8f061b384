#include "ui/win32/controls.h"
#include "ui/win32/form.h"
#include "ui/win32/wide.h"

namespace ui::win32 {

TextBoxImpl::TextBoxImpl(WinForm& form, const TextBoxDesign& d)
    : Wrapped(form, Kind::TextBox, d) {
  Create(L"EDIT", WS_VISIBLE | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE,
         Widen(d.caption));
  // Bounds typing and pasting by the user; SetWindowText is not limited.
  if (d.maxLength > 0) SendMessageW(hwnd_, EM_LIMITTEXT, static_cast<WPARAM>(d.maxLength), 0);
}

std::string TextBoxImpl::Text() const { return Narrow(WindowText()); }

// EN_CHANGE arrives before SetWindowTextW returns: OnChange nests here.
void TextBoxImpl::SetText(const std::string& text) { SetWindowTextW(hwnd_, Widen(text).c_str()); }

void TextBoxImpl::OnCommand(WORD code) {
  if (code == EN_CHANGE) Raise(OnChange);
}

}  // namespace ui::win32
