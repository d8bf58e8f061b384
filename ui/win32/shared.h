// What every window of one toolkit shares: the module, the program icon,
// the screen resolution, the fonts and the hidden owner window.
#pragma once

#include "ui/handler_gate.h"
#include "ui/win32/fonts.h"
#include "ui/win32/win.h"

namespace ui::win32 {

inline constexpr wchar_t kFormClass[] = L"VesperaForm";
inline constexpr wchar_t kContainerClass[] = L"VesperaContainer";
inline constexpr wchar_t kOwnerClass[] = L"VesperaOwner";
// The end-to-end driver finds windows by this property (a global atom).
inline constexpr wchar_t kNameProp[] = L"VesperaName";
// Posted to the hidden owner: handle the oldest held shell notification.
// A message of the program's own, so that no menu or modal loop takes it
// for one of its own.
inline constexpr UINT kDrainMessage = WM_APP + 1;

// Handles a held shell notification as its form would have (form_proc.cpp).
void DeliverShellNote(const ShellNote& note);
// Posts kDrainMessage to the owner of the Shared given (toolkit.cpp).
bool PostDrain(void* shared);
// Raises the live-region event of the labels announced by the handler that
// ended (toolkit.cpp).
void AnnounceLabels(void* shared);

struct Shared {
  Shared(HINSTANCE module, int dpiXValue, int dpiYValue)
      : instance(module), dpiX(dpiXValue), dpiY(dpiYValue), fonts(dpiYValue),
        gate(&PostDrain, this, &DeliverShellNote) {
    gate.afterHandler = &AnnounceLabels;
  }

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
  // Every handler of the thread's windows runs through it.
  HandlerGate gate;
  // The label whose caption is read out when the running handler ends: the
  // program has one live region.
  HWND announce = nullptr;

  int PixelsX(int twips) const { return MulDiv(twips, dpiX, 1440); }
  int PixelsY(int twips) const { return MulDiv(twips, dpiY, 1440); }
  int TwipsPerPixelX() const { return 1440 / dpiX; }
  int TwipsPerPixelY() const { return 1440 / dpiY; }
};

}  // namespace ui::win32
