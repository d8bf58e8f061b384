// Which input the gate holds, and which input counts as a user's command,
// as tables by the window system's own message numbers: both backends take
// their decisions from here and keep only the calls.
#pragma once

#include <cstdint>

#include "ui/controls.h"
#include "ui/handler_gate.h"

namespace ui {

// The window messages the tables name (WM_..., BM_CLICK).
inline constexpr std::uint32_t kWmSetText = 0x000C, kWmClose = 0x0010, kWmNcLButtonDown = 0x00A1,
                               kWmNcMButtonDblClk = 0x00A9, kBmClick = 0x00F5, kWmKeyFirst = 0x0100,
                               kWmChar = 0x0102, kWmKeyLast = 0x0109, kWmCommand = 0x0111,
                               kWmSysCommand = 0x0112, kWmVScroll = 0x0115, kWmMouseMove = 0x0200,
                               kWmLButtonDown = 0x0201, kWmMouseWheel = 0x020A, kWmMouseLast = 0x020D,
                               kWmImeChar = 0x0286;

// A range of messages: whether one that another thread sends while a
// handler waits in a system call is held for after the handler, and whether
// one waiting in the thread's queue is a user's command.
struct InputRange {
  std::uint32_t first, last;
  bool heldWhenSent, commandWhenQueued;
};

// What a user or another program does to a window: keys, mouse buttons,
// characters, clicks, commands, close requests, texts and spins. A text
// cannot be posted and a spin is no command; the wheel only scrolls, sent
// it is handled at once; the tray's notes have rules of their own.
inline constexpr InputRange kInputRanges[] = {
    {kWmSetText, kWmSetText, true, false},
    {kWmClose, kWmClose, true, true},
    {kWmNcLButtonDown, kWmNcMButtonDblClk, false, true},
    {kBmClick, kBmClick, true, true},
    {kWmKeyFirst, kWmKeyLast, true, true},
    {kWmCommand, kWmSysCommand, true, true},
    {kWmVScroll, kWmVScroll, true, false},
    {kWmLButtonDown, kWmMouseWheel - 1, true, true},
    {kWmMouseWheel, kWmMouseWheel, false, true},
    {kWmMouseWheel + 1, kWmMouseLast, true, true},
    {kWmImeChar, kWmImeChar, true, true},
    {kTrayMessage, kTrayMessage, true, true},
};

inline const InputRange* InputRangeOf(std::uint32_t message) {
  for (const InputRange& r : kInputRanges) {
    if (message >= r.first && message <= r.last) return &r;
  }
  return nullptr;
}

// Sent by another thread while a handler's system call waits: held.
inline bool HeldWhenSent(std::uint32_t message) {
  const InputRange* r = InputRangeOf(message);
  return r != nullptr && r->heldWhenSent;
}

// A tray note by the mouse message in the low word of its lParam: the
// pointer moving over the icon, or a command.
inline Note::Kind TrayNoteKind(std::intptr_t lParam) {
  return (lParam & 0xFFFF) == kWmMouseMove ? Note::Kind::PointerMove : Note::Kind::Command;
}

// Waiting in the thread's queue: a user's command.
inline bool CommandWhenQueued(std::uint32_t message, std::intptr_t lParam) {
  const InputRange* r = InputRangeOf(message);
  if (r == nullptr || !r->commandWhenQueued) return false;
  return message != kTrayMessage || IsCommand(TrayNoteKind(lParam));
}

}  // namespace ui
