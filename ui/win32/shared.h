// What every window of one toolkit shares: the module, the program icon,
// the screen resolution, the fonts and the hidden owner window.
#pragma once

#include <functional>
#include <utility>

#include "ui/win32/fonts.h"
#include "ui/win32/win.h"

namespace ui::win32 {

inline constexpr wchar_t kFormClass[] = L"VesperaForm";
inline constexpr wchar_t kContainerClass[] = L"VesperaContainer";
inline constexpr wchar_t kOwnerClass[] = L"VesperaOwner";
// The end-to-end driver finds windows by this property (a global atom).
inline constexpr wchar_t kNameProp[] = L"VesperaName";

struct Shared {
  Shared(HINSTANCE module, int dpiXValue, int dpiYValue)
      : instance(module), dpiX(dpiXValue), dpiY(dpiYValue), fonts(dpiYValue) {}

  HINSTANCE instance;
  int dpiX;
  int dpiY;
  FontCache fonts;
  HICON icon = nullptr;
  HICON smallIcon = nullptr;
  bool ownsIcons = false;
  // Owner of every form: owned windows get no taskbar button.
  HWND owner = nullptr;
  ATOM formAtom = 0;
  UINT taskbarCreated = 0;

  int PixelsX(int twips) const { return MulDiv(twips, dpiX, 1440); }
  int PixelsY(int twips) const { return MulDiv(twips, dpiY, 1440); }
  int TwipsPerPixelX() const { return 1440 / dpiX; }
  int TwipsPerPixelY() const { return 1440 / dpiY; }
};

// Calls an event handler through a copy, so that a handler that replaces
// itself or drops its owner does not pull the function from under the call.
template <class Signature, class... Args>
void Raise(const std::function<Signature>& handler, Args&&... args) {
  if (!handler) return;
  std::function<Signature> copy = handler;
  copy(std::forward<Args>(args)...);
}

}  // namespace ui::win32
