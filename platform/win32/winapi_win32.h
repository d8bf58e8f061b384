// The Windows implementation of platform::WinApi: every routine is looked up
// in its system library at its first call.
#pragma once

#include "platform/winapi.h"

namespace platform {

// The one instance for the whole program.
WinApi& Win32Api();

// Turns the input method off for one window (imm32, bound at run time).
void DisableInputMethod(Handle window);

// Tells assistive technology that the text of a live region (a label) has
// changed: EVENT_OBJECT_LIVEREGIONCHANGED (user32's NotifyWinEvent, bound at
// run time).
void AnnounceLiveRegion(Handle window);

}  // namespace platform
