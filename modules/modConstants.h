// Values shared by the windows and modules: Windows message and flag numbers.
#pragma once

#include <cstdint>

namespace modConstants {

// Tray messages and record flags.
inline constexpr std::uint32_t NIM_ADD = 0;
inline constexpr std::uint32_t NIM_MODIFY = 1;
inline constexpr std::uint32_t NIM_DELETE = 2;
inline constexpr std::uint32_t NIM_SETFOCUS = 3;
inline constexpr std::uint32_t NIM_SETVERSION = 4;
inline constexpr std::uint32_t NOTIFYICON_VERSION = 3;
inline constexpr std::uint32_t NIF_MESSAGE = 1;
inline constexpr std::uint32_t NIF_ICON = 2;
inline constexpr std::uint32_t NIF_TIP = 4;

// Mouse messages, as the tray reports them.
inline constexpr int WM_MOUSEMOVE = 512;
inline constexpr int WM_LBUTTONDBLCLK = 515;
inline constexpr int WM_RBUTTONUP = 517;
// The notes a tray of version 3 adds: the menu key or Shift+F10 (and every
// right click), a left click, Enter or Space on the selected icon.
inline constexpr int WM_CONTEXTMENU = 123;
inline constexpr int NIN_SELECT = 1024;
inline constexpr int NIN_KEYSELECT = 1025;

// ExitWindowsEx flags.
inline constexpr std::uint32_t EWX_LOGOFF = 0;
inline constexpr std::uint32_t EWX_REBOOT = 2;
inline constexpr std::uint32_t EWX_FORCE = 4;
inline constexpr std::uint32_t EWX_POWEROFF = 8;
inline constexpr std::uint32_t EWX_FORCEIFHUNG = 0x10;  // NT 5.0 and later
// The shutdown's recorded reason: planned, other, other. A reason of 0 is
// logged as an unplanned shutdown.
inline constexpr std::uint32_t SHTDN_REASON_PLANNED_OTHER = 0x80000000;

// Version platforms.
inline constexpr std::int32_t VER_PLATFORM_WIN32s = 0;
inline constexpr std::int32_t VER_PLATFORM_WIN32_WINDOWS = 1;
inline constexpr std::int32_t VER_PLATFORM_WIN32_NT = 2;

// Token access and privilege attributes.
inline constexpr std::uint32_t TOKEN_ADJUST_PRIVILEGES = 32;
inline constexpr std::uint32_t TOKEN_QUERY = 8;
inline constexpr std::uint32_t SE_PRIVILEGE_ENABLED = 2;

// System error codes an action call can report.
inline constexpr std::uint32_t ERROR_NOT_SUPPORTED = 50;
inline constexpr std::uint32_t ERROR_CALL_NOT_IMPLEMENTED = 120;
inline constexpr std::uint32_t ERROR_PRIVILEGE_NOT_HELD = 1314;

// Key codes.
inline constexpr std::int16_t vbKeyEscape = 27;

}  // namespace modConstants
