#include <algorithm>
#include <cstdlib>

#include "ui/win32/controls.h"
#include "ui/win32/form.h"

namespace ui::win32 {

ScrollBarImpl::ScrollBarImpl(WinForm& form, const ScrollBarDesign& d)
    : Wrapped(form, Kind::ScrollBar, d), min_(d.min), max_(d.max), value_(d.min) {
  Create(L"SCROLLBAR", WS_VISIBLE | WS_TABSTOP | SBS_VERT, 0, L"");
  int low = std::min<int>(min_, max_), high = std::max<int>(min_, max_);
  value_ = static_cast<std::int16_t>(std::clamp<int>(d.value, low, high));
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_RANGE | SIF_POS | SIF_PAGE;
  info.nMin = 0;
  info.nMax = Span();
  info.nPage = 0;
  info.nPos = PositionOf(value_);
  SetScrollInfo(hwnd_, SB_CTL, &info, TRUE);
}

int ScrollBarImpl::Span() const { return std::abs(static_cast<int>(max_) - min_); }

int ScrollBarImpl::PositionOf(int value) const { return std::abs(value - min_); }

int ScrollBarImpl::ValueAt(int position) const {
  return max_ >= min_ ? min_ + position : min_ - position;
}

void ScrollBarImpl::SetValue(std::int16_t value) {
  int low = std::min<int>(min_, max_), high = std::max<int>(min_, max_);
  auto clamped = static_cast<std::int16_t>(std::clamp<int>(value, low, high));
  if (clamped == value_) return;
  value_ = clamped;
  SetScrollPos(hwnd_, SB_CTL, PositionOf(value_), TRUE);
  Gate().Raise(OnChange);
}

void ScrollBarImpl::OnScroll(WORD request, int thumb) {
  int position = PositionOf(value_);
  switch (request) {
    case SB_LINEUP:
    case SB_PAGEUP: --position; break;
    case SB_LINEDOWN:
    case SB_PAGEDOWN: ++position; break;
    case SB_TOP: position = 0; break;
    case SB_BOTTOM: position = Span(); break;
    case SB_THUMBTRACK:
      // Only the thumb follows the drag; the value changes on release.
      SetScrollPos(hwnd_, SB_CTL, thumb, TRUE);
      return;
    case SB_THUMBPOSITION: position = thumb; break;
    default: return;
  }
  position = std::clamp(position, 0, Span());
  SetScrollPos(hwnd_, SB_CTL, position, TRUE);
  SetValue(static_cast<std::int16_t>(ValueAt(position)));
}

// A scroll bar shows no sign of the keyboard focus: while it has it, a ring
// in the button text colour runs inside its edge, a pixel per 96 DPI wide.
// The control also draws its parts outside its paint (arrows pressed, the
// thumb moved), so the ring is drawn again after each message it handles;
// drawn twice, it looks the same.
LRESULT ScrollBarImpl::SubclassedProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = CallOriginal(msg, wParam, lParam);
  if (msg == WM_KILLFOCUS) InvalidateRect(hwnd_, nullptr, TRUE);
  else if (hwnd_ != nullptr && GetFocus() == hwnd_) DrawFocusMark();
  return result;
}

void ScrollBarImpl::DrawFocusMark() {
  HDC dc = GetDC(hwnd_);
  RECT r{};
  GetClientRect(hwnd_, &r);
  for (int t = form_.Px(15); t-- > 0;) {
    InflateRect(&r, -1, -1);
    FrameRect(dc, &r, GetSysColorBrush(COLOR_BTNTEXT));
  }
  ReleaseDC(hwnd_, dc);
}

}  // namespace ui::win32
