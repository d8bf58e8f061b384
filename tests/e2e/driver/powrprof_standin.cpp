// A stand-in for the system's power library, placed in a test session's
// system folder: the sleep states that GetPwrCapabilities reports and the
// answer of SetSuspendState come from the session's environment.
//   VESPERA_POWER_CAPS     a mask of S1, S2, S3, S4 (bits 0 to 3), the
//                          hibernation file (bit 4), Modern Standby (bit 5)
//                          and a reduced hibernation file (bit 6);
//                          "fail": the call fails. Unset: S1 and S4 with the
//                          file, as Wine answers.
//   VESPERA_POWER_SUSPEND  an error number: SetSuspendState fails with it.
//                          Unset: it succeeds (and does nothing).
//   VESPERA_POWER_LOG      a file that each call appends its line to (Wine's
//                          relay log does not see a native library's calls).
#include <windows.h>

#include <cstdlib>

namespace {

bool Setting(const char* name, char (&value)[32]) {
  const DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
  return n > 0 && n < sizeof value;
}

void Log(const char* line) {
  char path[32 * 8];
  const DWORD n = GetEnvironmentVariableA("VESPERA_POWER_LOG", path, sizeof path);
  if (n == 0 || n >= sizeof path) return;
  HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, line, lstrlenA(line), &written, nullptr);
  CloseHandle(file);
}

}  // namespace

// The documented layout (76 bytes): S1 to S4 at bytes 3 to 6, the
// hibernation file at 8, Modern Standby (AoAc) at 20, the file's type at 22
// (1: reduced).
extern "C" __declspec(dllexport) BOOLEAN WINAPI GetPwrCapabilities(BYTE* caps) {
  Log("GetPwrCapabilities\n");
  char value[32] = "25";
  if (Setting("VESPERA_POWER_CAPS", value) && lstrcmpA(value, "fail") == 0) {
    SetLastError(ERROR_GEN_FAILURE);
    return FALSE;
  }
  const unsigned long mask = std::strtoul(value, nullptr, 0);
  ZeroMemory(caps, 76);
  const int offsets[] = {3, 4, 5, 6, 8, 20, 22};
  for (int bit = 0; bit < 7; ++bit) caps[offsets[bit]] = (mask >> bit) & 1;
  return TRUE;
}

extern "C" __declspec(dllexport) BOOLEAN WINAPI SetSuspendState(BOOLEAN hibernate, BOOLEAN force,
                                                                 BOOLEAN noWake) {
  char line[64];
  wsprintfA(line, "SetSuspendState %d %d %d\n", hibernate, force, noWake);
  Log(line);
  char value[32];
  if (!Setting("VESPERA_POWER_SUSPEND", value)) return TRUE;
  SetLastError(std::strtoul(value, nullptr, 0));
  return FALSE;
}
