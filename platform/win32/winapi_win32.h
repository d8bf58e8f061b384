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

}  // namespace platform
