#include "platform/win32/winapi_win32.h"
#include "ui/win32/controls.h"
#include "ui/win32/form.h"
#include "ui/win32/wide.h"

namespace ui::win32 {

LabelImpl::LabelImpl(WinForm& form, const LabelDesign& d)
    : Wrapped(form, Kind::Label, d),
      foreColor_(d.foreColor),
      backColor_(d.backColor),
      autoSize_(d.autoSize),
      font_(d.font) {
  DWORD align = d.align == LabelDesign::Align::Center ? SS_CENTER : SS_LEFT;
  // SS_NOTIFY: without it a static control lets clicks and moves through.
  Create(L"STATIC", (d.hidden ? 0 : WS_VISIBLE) | (d.link ? WS_TABSTOP : 0) | SS_NOTIFY | align, 0,
         Widen(d.caption));
  if (d.opaque) backBrush_ = CreateSolidBrush(d.backColor);
  FitToText();
  if (d.liveRegion) platform::MarkPoliteLiveRegion(reinterpret_cast<platform::Handle>(hwnd_));
}

LabelImpl::~LabelImpl() {
  if (backBrush_ != nullptr) DeleteObject(backBrush_);
}

HFONT LabelImpl::TextFont() { return form_.FontFor(font_); }

std::string LabelImpl::Caption() const { return Narrow(WindowText()); }

void LabelImpl::SetCaption(const std::string& caption) {
  SetWindowTextW(hwnd_, Widen(caption).c_str());
  FitToText();
}

void LabelImpl::SetFont(const Font& font) {
  font_ = font;
  SetFontHandle(TextFont());
  FitToText();
}

void LabelImpl::Announce() { form_.GetShared().announce = hwnd_; }

void LabelImpl::OnCommand(WORD code) {
  if (code == STN_CLICKED) Gate().Raise(OnClick);
}

HBRUSH LabelImpl::OnColor(HDC dc) {
  SetTextColor(dc, foreColor_);
  if (backBrush_ != nullptr) {
    SetBkColor(dc, backColor_);
    return backBrush_;
  }
  SetBkMode(dc, TRANSPARENT);
  SetBkColor(dc, form_.BackgroundColor());
  return form_.BackgroundBrush();
}

// A label's access key moves the focus to the control after it.
void LabelImpl::Activate() { form_.FocusNextAfter(TabIndex()); }

// A link (a tab stop) shows the focus as a dotted rectangle around its
// text, drawn over each paint, and takes Enter or Space as a click; a key
// held down clicks once.
LRESULT LabelImpl::SubclassedProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_MOUSEMOVE) RaiseMouseMove(Gate(), OnMouseMove, wParam, lParam, form_.Dpi());
  const bool link = (GetWindowLongW(hwnd_, GWL_STYLE) & WS_TABSTOP) != 0;
  if (link && msg == WM_CHAR && (wParam == L'\r' || wParam == L' ') && (lParam & (1 << 30)) == 0) {
    Gate().Raise(OnClick);
    return 0;
  }
  const LRESULT result = CallOriginal(msg, wParam, lParam);
  if (link && (msg == WM_SETFOCUS || msg == WM_KILLFOCUS)) InvalidateRect(hwnd_, nullptr, TRUE);
  if (link && msg == WM_PAINT && hwnd_ != nullptr && GetFocus() == hwnd_) {
    std::wstring text = WindowText();
    HDC dc = GetDC(hwnd_);
    HGDIOBJ old = SelectObject(dc, TextFont());
    RECT r{};
    GetClientRect(hwnd_, &r);
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_CALCRECT | DT_WORDBREAK);
    DrawFocusRect(dc, &r);
    SelectObject(dc, old);
    ReleaseDC(hwnd_, dc);
  }
  return result;
}

void LabelImpl::ApplyDpi() {
  ControlBase::ApplyDpi();
  FitToText();
}

void LabelImpl::FitToText() {
  if (!autoSize_ || hwnd_ == nullptr) return;
  std::wstring text = WindowText();
  HDC dc = GetDC(hwnd_);
  HGDIOBJ old = SelectObject(dc, TextFont());
  RECT r{0, 0, 0, 0};
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_CALCRECT | DT_LEFT);
  SelectObject(dc, old);
  ReleaseDC(hwnd_, dc);
  SetWindowPos(hwnd_, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace ui::win32
