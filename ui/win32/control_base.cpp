#include "ui/win32/control_base.h"

#include "ui/layout.h"
#include "ui/win32/form.h"
#include "ui/win32/wide.h"

namespace ui::win32 {

ControlBase::ControlBase(WinForm& form, Kind kind, const ControlDesign& design)
    : form_(form),
      kind_(kind),
      name_(design.name),
      tabIndex_(design.tabIndex),
      container_(design.container),
      rect_(design.rect),
      createEnabled_(design.enabled) {}

HandlerGate& ControlBase::Gate() const { return form_.GetShared().gate; }

void ControlBase::Create(const wchar_t* windowClass, DWORD style, DWORD exStyle,
                         const std::wstring& text) {
  const Shared& shared = form_.GetShared();
  HWND parent = form_.ParentWindowFor(container_);
  if (!createEnabled_) style |= WS_DISABLED;
  int id = form_.NextControlId();
  const Rect r = PixelRect(rect_, form_.Dpi());
  hwnd_ = CreateWindowExW(exStyle, windowClass, text.c_str(), style | WS_CHILD | WS_CLIPSIBLINGS,
                          r.left, r.top, r.width, r.height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                          shared.instance, this);
  if (hwnd_ == nullptr) return;
  SetFontHandle(TextFont());
  Place();
  nameAtom_ = GlobalAddAtomW(Widen(name_).c_str());
  SetPropW(hwnd_, kNameProp, reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(nameAtom_)));
  // Every standard control: what other programs send it passes the gate.
  if (windowClass != kContainerClass) Subclass();
}

HFONT ControlBase::TextFont() { return form_.ControlFont(); }

void ControlBase::ApplyDpi() {
  SetFontHandle(TextFont());
  Place();
}

namespace {

// A line of the font: its cell, or down to its underline where that is
// drawn lower.
int LineHeight(HWND hwnd, HFONT font) {
  HDC dc = GetDC(hwnd);
  HGDIOBJ old = SelectObject(dc, font);
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  int line = tm.tmHeight;
  OUTLINETEXTMETRICW otm{};
  if (GetOutlineTextMetricsW(dc, sizeof otm, &otm) != 0) {
    const int under = tm.tmAscent - otm.otmsUnderscorePosition + (static_cast<int>(otm.otmsUnderscoreSize) + 1) / 2;
    if (under > line) line = under;
  }
  SelectObject(dc, old);
  ReleaseDC(hwnd, dc);
  return line;
}

}  // namespace

void ControlBase::Place() {
  Rect r = PixelRect(rect_, form_.Dpi());
  if (kind_ == Kind::Label || kind_ == Kind::Option || kind_ == Kind::CheckBox) {
    RECT container{};
    GetClientRect(GetParent(hwnd_), &container);
    r = FitLine(r, LineHeight(hwnd_, TextFont()), container.bottom);
  }
  SetWindowPos(hwnd_, nullptr, r.left, r.top, r.width, r.height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void ControlBase::RemoveName() {
  if (hwnd_ != nullptr) RemovePropW(hwnd_, kNameProp);
  if (nameAtom_ != 0) GlobalDeleteAtom(nameAtom_);
  nameAtom_ = 0;
}

void ControlBase::Detach() { hwnd_ = nullptr; }

std::wstring ControlBase::WindowText() const {
  int n = GetWindowTextLengthW(hwnd_);
  if (n <= 0) return {};
  std::wstring text(static_cast<size_t>(n) + 1, L'\0');
  n = GetWindowTextW(hwnd_, text.data(), n + 1);
  text.resize(static_cast<size_t>(n < 0 ? 0 : n));
  return text;
}

void ControlBase::SetFontHandle(HFONT font) {
  SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void ControlBase::Subclass() {
  SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  original_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SubclassThunk)));
}

LRESULT ControlBase::SubclassedProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  return CallOriginal(msg, wParam, lParam);
}

LRESULT ControlBase::CallOriginal(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (hwnd_ == nullptr) return 0;
  return CallWindowProcW(original_, hwnd_, msg, wParam, lParam);
}

LRESULT CALLBACK ControlBase::SubclassThunk(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<ControlBase*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self == nullptr || self->hwnd_ != hwnd) return DefWindowProcW(hwnd, msg, wParam, lParam);
  WNDPROC original = self->original_;
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    return CallWindowProcW(original, hwnd, msg, wParam, lParam);
  }
  if (self->form_.GetShared().HoldForeign(&self->form_, hwnd, msg, wParam, lParam)) return 0;
  return self->SubclassedProc(msg, wParam, lParam);
}

wchar_t AccessKeyOf(const std::wstring& caption) {
  for (size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != L'&') continue;
    if (caption[i + 1] == L'&') {
      ++i;
      continue;
    }
    return static_cast<wchar_t>(reinterpret_cast<UINT_PTR>(
        CharUpperW(reinterpret_cast<LPWSTR>(static_cast<UINT_PTR>(caption[i + 1])))));
  }
  return 0;
}

}  // namespace ui::win32
