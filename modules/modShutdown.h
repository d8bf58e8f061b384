// The running Windows version, and the system actions the scheduler fires.
#pragma once

#include <cstdint>
#include <string>

#include "platform/winapi.h"

namespace modShutdown {

struct OSVersionRecord {
  std::int32_t lPlatformId = 0;
  std::int32_t lVersionType = 0;  // 0 "Windows 32" ... 6 "Windows XP"
  std::int32_t lBuildNumber = 0;
  std::string sVersion;           // "major.minor"
};

// Asks the system afresh on every call.
OSVersionRecord GetVersionInfo(platform::WinApi& api);
std::string GetVersionName(platform::WinApi& api);
// The display name of a version type code; empty outside the table.
std::string VersionTypeName(std::int32_t versionType);

// Log off, shut down or restart; True when ExitWindowsEx succeeded.
bool DoExitWindows(platform::WinApi& api, std::uint32_t lFlags, bool bForceClose);
// Suspend (0) or hibernate (1); True when SetSuspendState was called and succeeded.
bool DoSuspend(platform::WinApi& api, std::int32_t lHibernate, bool bForceSuspend,
               bool bNoWakeEvents);
bool DoLockWorkstation(platform::WinApi& api);
void EnableShutdownPrivilege(platform::WinApi& api, bool bEnable);

}  // namespace modShutdown
