// The tray icon record and the calls that hand it to the shell.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "platform/system.h"

namespace modTray {

inline constexpr std::size_t kTipLength = 64;

// The program's side of NOTIFYICONDATA: the tip kept as 64 UTF-16 characters.
struct NotifyIconData {
  std::uint32_t cbSize = 0;
  platform::Handle hWnd = 0;
  std::uint32_t uID = 0;
  std::uint32_t uFlags = 0;
  std::uint32_t uCallbackMessage = 0;
  platform::Handle hIcon = 0;
  std::array<char16_t, kTipLength> szTip{};
};

// Stores text and one NUL, padded with blanks to 64 characters, or cut to
// 64 characters (the NUL then lost).
void SetTrayTip(NotifyIconData& nid, std::string_view text);

// The 88-byte ANSI record. The tip is converted character by character and
// cut on a character boundary, so that its 64 bytes always end in a NUL.
platform::NotifyIconDataA ToAnsi(const NotifyIconData& nid, platform::CodePage& codePage);

// Sends the record with one of the NIM_ messages; the result is not examined.
void NotifyIcon(const platform::System& system, std::uint32_t message, const NotifyIconData& nid);

// NIM_SETVERSION with NOTIFYICON_VERSION (3) for the icon of nid: the shell
// then sends the keyboard's notes (NIN_KEYSELECT, WM_CONTEXTMENU) as well.
// False where the shell refused (one older than version 5).
bool SetVersion3(const platform::System& system, const NotifyIconData& nid);

}  // namespace modTray
