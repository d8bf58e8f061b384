// The Windows implementation of platform::WinApi: every routine is looked up
// in its system library at its first call.
#pragma once

#include "platform/winapi.h"

namespace platform {

// The one instance for the whole program.
WinApi& Win32Api();

// Turns the input method off for one window (imm32, bound at run time).
void DisableInputMethod(Handle window);

}  // namespace platform
