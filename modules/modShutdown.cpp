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

int MajorVersion(const OSVersionRecord& os) {
  int major = 0;
  std::from_chars(os.sVersion.data(), os.sVersion.data() + os.sVersion.size(), major);
  return major;
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
  const bool modernNt = os.lPlatformId == VER_PLATFORM_WIN32_NT && MajorVersion(os) >= 5;
  return !oldGuardRefuses || modernNt;
}

bool LockAllowed(const OSVersionRecord& os) {
  return os.lVersionType == 5 || os.lVersionType == 6;
}

Refusal SuspendRefusal(platform::WinApi& api, std::int32_t lHibernate) {
  if (!SuspendAllowed(GetVersionInfo(api))) return Refusal::Version;
  platform::PowerCapabilities caps{};
  if (api.GetPwrCapabilities(&caps) == 0) return Refusal::None;
  if (lHibernate != 0) {
    return caps.systemS4 && caps.hiberFilePresent ? Refusal::None : Refusal::NoHibernation;
  }
  if (caps.systemS1 || caps.systemS2 || caps.systemS3) return Refusal::None;
  // Modern Standby only changes what the user is told.
  return caps.aoAc ? Refusal::NoSleepModernStandby : Refusal::NoSleep;
}

namespace {

// One action call: on the NT platform with the shutdown privilege around
// it. The error is read before the privilege step can overwrite it.
template <class Call>
bool CallAction(platform::WinApi& api, bool privilege, std::uint32_t* error, Call call) {
  if (privilege) EnableShutdownPrivilege(api, true);
  const bool done = call() != 0;
  if (!done && error != nullptr) *error = api.GetLastError();
  if (privilege) EnableShutdownPrivilege(api, false);
  return done;
}

bool Refused(std::uint32_t* error) {
  if (error != nullptr) *error = ERROR_NOT_SUPPORTED;
  return false;
}

bool OnNt(const OSVersionRecord& os) { return os.lPlatformId == VER_PLATFORM_WIN32_NT; }

}  // namespace

bool DoExitWindows(platform::WinApi& api, std::uint32_t lFlags, bool bForceClose,
                   std::uint32_t* error) {
  const std::uint32_t flags = bForceClose ? (lFlags | EWX_FORCE) : lFlags;
  return CallAction(api, OnNt(GetVersionInfo(api)), error,
                    [&] { return api.ExitWindowsEx(flags, 0); });
}

bool DoSuspend(platform::WinApi& api, std::int32_t lHibernate, bool bForceSuspend,
               bool bNoWakeEvents, std::uint32_t* error) {
  const OSVersionRecord os = GetVersionInfo(api);
  if (!SuspendAllowed(os)) return Refused(error);
  return CallAction(api, OnNt(os), error, [&] {
    return api.SetSuspendState(lHibernate, AsLong(bForceSuspend), AsLong(bNoWakeEvents));
  });
}

bool DoLockWorkstation(platform::WinApi& api, std::uint32_t* error) {
  if (!LockAllowed(GetVersionInfo(api))) return Refused(error);
  return CallAction(api, false, error, [&] { return api.LockWorkStation(); });
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
