// The calls in which the window thread handles what other threads send
// (a message loop's wait, a look at the queue): every one goes through
// here, marked as a waiting call, so that input another thread sends
// meanwhile is held for the running handler (Shared::HoldForeign). No other
// source of the program calls them; tests/rules/sent_messages.cmake checks.
#pragma once

#include "platform/win32/winapi_win32.h"
#include "ui/win32/win.h"

namespace ui::win32 {

inline BOOL GetMessageWaiting(MSG* msg) {
  platform::WaitingCall waiting;
  return GetMessageW(msg, nullptr, 0, 0);
}

// Any window of the thread; remove: PM_NOREMOVE or PM_REMOVE.
inline BOOL PeekMessageWaiting(MSG* msg, UINT first, UINT last, UINT remove) {
  platform::WaitingCall waiting;
  return PeekMessageW(msg, nullptr, first, last, remove | PM_NOYIELD);
}

}  // namespace ui::win32
