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

// The version guards: the versions on which the call is made at all.
bool SuspendAllowed(const OSVersionRecord& os);
bool LockAllowed(const OSVersionRecord& os);

// Why a suspend or hibernate cannot be done on this machine.
enum class Refusal { None, Version, NoSleepModernStandby, NoSleep, NoHibernation, ReducedHiberFile };
// Asked before arming: the version guard, then the machine's sleep states.
// Where they cannot be read, nothing is refused.
Refusal SuspendRefusal(platform::WinApi& api, std::int32_t lHibernate);

// Each wrapper is True when its call succeeded. On a failure, error (when
// given) receives the error the call reported, read before any later step;
// a version guard's refusal reports ERROR_NOT_SUPPORTED.
// Log off, shut down or restart.
bool DoExitWindows(platform::WinApi& api, std::uint32_t lFlags, bool bForceClose,
                   std::uint32_t* error = nullptr);
// Suspend (0) or hibernate (1).
bool DoSuspend(platform::WinApi& api, std::int32_t lHibernate, bool bForceSuspend,
               bool bNoWakeEvents, std::uint32_t* error = nullptr);
bool DoLockWorkstation(platform::WinApi& api, std::uint32_t* error = nullptr);
void EnableShutdownPrivilege(platform::WinApi& api, bool bEnable);

}  // namespace modShutdown
