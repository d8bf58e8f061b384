// The Windows implementation of platform::WinApi: every routine is looked up
// in its system library at its first call.
#pragma once

#include "platform/winapi.h"

namespace platform {

// The one instance for the whole program.
WinApi& Win32Api();

// Turns the input method off for one window (imm32, bound at run time).
void DisableInputMethod(Handle window);

// Another thread's sent message reaches the window thread only while it
// waits in a call like the tray's or the actions'; the control layer holds
// what arrives meanwhile. Calls of the program's own are never held.
inline int waitingCalls = 0;
struct WaitingCall {
  WaitingCall() { ++waitingCalls; }
  ~WaitingCall() { --waitingCalls; }
  WaitingCall(const WaitingCall&) = delete;
  WaitingCall& operator=(const WaitingCall&) = delete;
};

// The DPI of the monitor a window is on: GetDpiForWindow (Windows 10 1607
// and later), else GetDpiForMonitor (8.1 and later); 0 where neither exists.
unsigned WindowDpi(Handle window);
// AdjustWindowRectExForDpi (a RECT, no menu); false where it does not exist.
bool AdjustWindowRectForDpi(void* rect, std::uint32_t style, std::uint32_t exStyle, unsigned dpi);
// Lets a message reach the window from processes of a lower integrity level
// (an elevated copy still hears the shell): Vista and later.
void AdmitMessage(Handle window, std::uint32_t message);

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
