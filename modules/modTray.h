// The tray icon record and the calls that hand it to the shell.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/system.h"

namespace modTray {

inline constexpr std::size_t kTipLength = 64;

// The program's side of NOTIFYICONDATA: the wide record of its first version,
// the tip kept as 64 UTF-16 characters.
using NotifyIconData = platform::NotifyIconDataW;

// Stores text and one NUL, padded with blanks to 64 characters, or cut to
// 64 characters (the NUL then lost).
void SetTrayTip(NotifyIconData& nid, std::string_view text);

// The 88-byte ANSI record. The tip is converted character by character and
// cut on a character boundary, so that its 64 bytes always end in a NUL.
platform::NotifyIconDataA ToAnsi(const NotifyIconData& nid, platform::CodePage& codePage);

// The record as the NT platform gets it: the tip as kept, its field always
// ending in a NUL (a tip of 64 characters loses its last one, or the last
// two where they are one character).
platform::NotifyIconDataW ToWide(const NotifyIconData& nid);

// Sends the record with one of the NIM_ messages: wide on the NT platform,
// where every code page shows the same tip; ANSI on Windows 9x. True when
// the shell took it.
bool NotifyIcon(const platform::System& system, std::uint32_t message, const NotifyIconData& nid,
                bool wide);

// A message of shell version 5 for the icon of nid: NIM_SETVERSION to
// NOTIFYICON_VERSION (3), after which the shell sends the keyboard's notes
// (NIN_KEYSELECT, WM_CONTEXTMENU) as well, or NIM_SETFOCUS, which gives the
// keyboard focus back to the notification area. False where the shell
// refused (one older than version 5).
bool NotifyShell5(const platform::System& system, std::uint32_t message, const NotifyIconData& nid);

// Where the shell shows the icon, in screen pixels (Windows 7 and later);
// false where it cannot tell.
bool IconRect(const platform::System& system, const NotifyIconData& nid, platform::ScreenRect& rect);

}  // namespace modTray
