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

// Marks a window's client object a polite live region for UI Automation,
// through oleacc's annotation service (COM, bound at run time); where the
// service is missing (before Windows 8's UI Automation properties, or no
// COM) nothing happens.
void MarkPoliteLiveRegion(Handle window);

}  // namespace platform
