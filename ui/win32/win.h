// <windows.h> as the backend uses it: the XP subset, wide routines named
// explicitly, and no macro that renames the toolkit's methods.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0501
#endif
#include <windows.h>
#include <windowsx.h>

// Sent from Windows 8.1 on; the headers give it only for newer targets.
#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

// ui::Toolkit has a MessageBox method.
#undef MessageBox
