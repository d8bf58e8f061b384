#include "modules/modShutdown.h"

#include <array>
#include <charconv>

#include "modules/modConstants.h"

namespace modShutdown {
namespace {

using namespace modConstants;

constexpr std::array<const char*, 7> kVersionNames = {
    "Windows 32", "Windows 95", "Windows 98",   "Windows ME",
    "Windows NT", "Windows 2000", "Windows XP"};

// A Boolean argument travels as a 32-bit value with every bit set for True.
constexpr std::int32_t AsLong(bool b) { return b ? -1 : 0; }

// Windows 2000 and every NT after it, whatever their type code.
bool Nt5OrLater(const OSVersionRecord& os) {
  int major = 0;
  std::from_chars(os.sVersion.data(), os.sVersion.data() + os.sVersion.size(), major);
  return os.lPlatformId == VER_PLATFORM_WIN32_NT && major >= 5;
}

}  // namespace

OSVersionRecord GetVersionInfo(platform::WinApi& api) {
  platform::OsVersionInfoA info{};
  info.dwOSVersionInfoSize = sizeof info;
  api.GetVersionExA(&info);

  OSVersionRecord os;
  os.lBuildNumber = static_cast<std::int32_t>(info.dwBuildNumber);
  os.sVersion = std::to_string(info.dwMajorVersion);
  os.sVersion.append(".").append(std::to_string(info.dwMinorVersion));

  const auto major = static_cast<std::int32_t>(info.dwMajorVersion);
  const auto minor = static_cast<std::int32_t>(info.dwMinorVersion);
  switch (static_cast<std::int32_t>(info.dwPlatformId)) {
    case VER_PLATFORM_WIN32s:
      break;
    case VER_PLATFORM_WIN32_WINDOWS:
      os.lPlatformId = VER_PLATFORM_WIN32_WINDOWS;
      if (minor == 0) os.lVersionType = 1;
      else if (minor == 10) os.lVersionType = 2;
      else if (minor == 90) os.lVersionType = 3;
      break;
    case VER_PLATFORM_WIN32_NT:
      os.lPlatformId = VER_PLATFORM_WIN32_NT;
      if (major < 5) os.lVersionType = 4;
      else if (major == 5 && minor == 0) os.lVersionType = 5;
      else if (major == 5 && minor == 1) os.lVersionType = 6;
      break;
    default:
      break;
  }
  return os;
}

std::string VersionTypeName(std::int32_t versionType) {
  if (versionType < 0 || versionType >= static_cast<std::int32_t>(kVersionNames.size())) return {};
  return kVersionNames[static_cast<std::size_t>(versionType)];
}

std::string GetVersionName(platform::WinApi& api) {
  return VersionTypeName(GetVersionInfo(api).lVersionType);
}

bool SuspendAllowed(const OSVersionRecord& os) {
  const bool oldGuardRefuses =
      os.lVersionType == 0 || os.lVersionType == 1 || os.lVersionType == 4;
  // NT versions after XP are classified "Windows 32", yet they all sleep.
  return !oldGuardRefuses || Nt5OrLater(os);
}

bool LockAllowed(const OSVersionRecord& os) {
  return os.lVersionType == 5 || os.lVersionType == 6;
}

Refusal SuspendRefusal(platform::WinApi& api, std::int32_t lHibernate) {
  if (!SuspendAllowed(GetVersionInfo(api))) return Refusal::Version;
  platform::PowerCapabilities caps{};
  if (api.GetPwrCapabilities(&caps) == 0) return Refusal::None;
  if (lHibernate != 0) {
    if (!caps.systemS4 || !caps.hiberFilePresent) return Refusal::NoHibernation;
    // A reduced file serves fast start-up alone: Windows does not hibernate.
    return caps.hiberFileType == 1 ? Refusal::ReducedHiberFile : Refusal::None;
  }
  if (caps.systemS1 || caps.systemS2 || caps.systemS3) return Refusal::None;
  // Modern Standby only changes what the user is told.
  return caps.aoAc ? Refusal::NoSleepModernStandby : Refusal::NoSleep;
}

namespace {

bool OnNt(const OSVersionRecord& os) { return os.lPlatformId == VER_PLATFORM_WIN32_NT; }

// After an action's call: a failure's error is read before the privilege
// step can overwrite it, then the privilege taken before the call goes.
bool Finish(platform::WinApi& api, bool privilege, bool done, std::uint32_t* error) {
  if (!done && error != nullptr) *error = api.GetLastError();
  if (privilege) EnableShutdownPrivilege(api, false);
  return done;
}

bool Refused(std::uint32_t* error) {
  if (error != nullptr) *error = ERROR_NOT_SUPPORTED;
  return false;
}

}  // namespace

bool DoExitWindows(platform::WinApi& api, std::uint32_t lFlags, bool bForceClose,
                   std::uint32_t* error) {
  std::uint32_t flags = bForceClose ? (lFlags | EWX_FORCE) : lFlags;
  const OSVersionRecord os = GetVersionInfo(api);
  // Unforced, programs that answer may still save; hung ones do not hold it.
  if ((flags & EWX_FORCE) == 0 && Nt5OrLater(os)) flags |= EWX_FORCEIFHUNG;
  const bool nt = OnNt(os);
  if (nt) EnableShutdownPrivilege(api, true);
  return Finish(api, nt, api.ExitWindowsEx(flags, SHTDN_REASON_PLANNED_OTHER) != 0, error);
}

bool DoSuspend(platform::WinApi& api, std::int32_t lHibernate, bool bForceSuspend,
               bool bNoWakeEvents, std::uint32_t* error) {
  const OSVersionRecord os = GetVersionInfo(api);
  if (!SuspendAllowed(os)) return Refused(error);
  const bool nt = OnNt(os);
  if (nt) EnableShutdownPrivilege(api, true);
  return Finish(api, nt,
                api.SetSuspendState(lHibernate, AsLong(bForceSuspend), AsLong(bNoWakeEvents)) != 0,
                error);
}

bool DoLockWorkstation(platform::WinApi& api, std::uint32_t* error) {
  if (!LockAllowed(GetVersionInfo(api))) return Refused(error);
  return Finish(api, false, api.LockWorkStation() != 0, error);
}

void EnableShutdownPrivilege(platform::WinApi& api, bool bEnable) {
  const platform::Handle process = api.GetCurrentProcess();
  platform::Handle token = 0;
  api.OpenProcessToken(process, TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token);

  platform::TokenPrivileges newState{};
  newState.privilegeCount = 1;
  api.LookupPrivilegeValueA("", "SeShutdownPrivilege", &newState.luid);
  newState.attributes = bEnable ? SE_PRIVILEGE_ENABLED : 0;

  platform::TokenPrivileges previous{};
  std::uint32_t returned = 0;
  api.AdjustTokenPrivileges(token, 0, &newState, sizeof newState, &previous, &returned);
  if (token != 0) api.CloseHandle(token);
}

}  // namespace modShutdown
