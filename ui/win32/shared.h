// What every window of one toolkit shares: the module, the program icon,
// the screen resolution, the fonts and the hidden owner window.
#pragma once

#include <functional>
#include <vector>

#include "platform/win32/winapi_win32.h"
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

// The hidden owner's timer that lets the gate post kDrainMessage again
// after a refused post.
inline constexpr UINT_PTR kDrainRetryTimer = 1;

// Handles a held note as its window would have (form_proc.cpp).
void DeliverNote(const Note& note);
// Posts kDrainMessage to the owner of the Shared given; false when refused
// (toolkit.cpp).
bool PostDrain(void* shared);
// After a refused post: the owner's timer lets the gate post again (toolkit.cpp).
void RetryDrain(void* shared);
// Raises the live-region event of the labels announced by the handler that
// ended (toolkit.cpp).
void AnnounceLabels(void* shared);

// Raises a mouse-move handler for a WM_MOUSEMOVE of a window at dpi, with
// the position in twips (form_proc.cpp).
void RaiseMouseMove(HandlerGate& gate,
                    const std::function<void(int, int, double, double)>& handler,
                    WPARAM wParam, LPARAM lParam, int dpi);

struct Shared {
  Shared(HINSTANCE module, int screenDpi)
      : instance(module), systemDpi(screenDpi), gate(&PostDrain, &RetryDrain, this, &DeliverNote) {
    gate.afterHandler = &AnnounceLabels;
    // A handler may begin inside a wait (another thread's message delivered
    // while the loop waits): only a wait begun by the handler lets others in.
    gate.beforeHandler = [](void* shared) { static_cast<Shared*>(shared)->waitsBefore = platform::waitingCalls; };
  }
  Shared(const Shared&) = delete;
  Shared& operator=(const Shared&) = delete;
  ~Shared();

  // The program icon at size x size pixels, loaded once.
  HICON Icon(int size);

  HINSTANCE instance;
  // The waits under way when the running handler began.
  int waitsBefore = 0;
  // The screen's DPI: the system metrics are given at it, and a system that
  // cannot tell a window's own DPI lays every window out at it.
  int systemDpi;
  int iconId = 0;
  FontCache fonts;
  struct SizedIcon {
    int size;
    HICON icon;
  };
  std::vector<SizedIcon> icons;
  // Owner of every form: owned windows get no taskbar button.
  HWND owner = nullptr;
  ATOM formAtom = 0;
  UINT taskbarCreated = 0;
  // Every handler of the thread's windows runs through it.
  HandlerGate gate;
  // The label whose caption is read out when the running handler ends: the
  // program has one live region.
  HWND announce = nullptr;

  // Input that another thread sends while a handler's code runs, or while
  // older input waits, is held; true when it was.
  bool HoldForeign(const Form* form, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
};

}  // namespace ui::win32
