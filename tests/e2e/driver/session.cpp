// The session around the program: its clock, the DPI of its monitor, and
// the events screen readers hear from it.

#include "vdriver.h"

#include <cstdio>

namespace vdriver {

// The local time between two tick counts: a pause between the reads (a
// loaded machine) moves the second's start in ticks reckoned from "ticks"
// earlier, from "ticks_after" later, never the other way.
void LocalNow(Json& j) {
  DWORD ticks = GetTickCount();
  SYSTEMTIME st;
  GetLocalTime(&st);
  j.Key("ticks").Int(ticks).Key("ticks_after").Int(GetTickCount());
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04u-%02u-%02u %02u:%02u:%02u.%03u", st.wYear, st.wMonth, st.wDay,
                st.wHour, st.wMinute, st.wSecond, st.wMilliseconds);
  j.Key("local").Str(string(buf));
}

// clock: the local time, and the ANSI code page of this session's locale.
void CmdClock(const vector<string>&) {
  Json j;
  j.Open('{').Key("ok").Bool(true).Key("acp").Int(GetACP());
  LocalNow(j);
  j.Close('}');
  Emit(j.Text());
}

void CmdSleep(const vector<string>& a) {
  auto ms = static_cast<DWORD>(ToInt(a.size() > 1 ? a[1] : "", 100));
  Waiting(ms);
  Pump(ms);
  Ok();
}

// dpichange FORM DPI: WM_DPICHANGED as the system sends it when the window
// moves to a monitor of that DPI; the suggested rectangle (kept at the
// window's corner) lives in the program's memory, as the system's would.
void CmdDpiChange(const vector<string>& a) {
  HWND f = FormArg(a, 3, "usage: dpichange FORM DPI");
  if (!f) return;
  int dpi = ToInt(a[2], 96);
  DWORD pid = 0;
  GetWindowThreadProcessId(f, &pid);
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, pid);
  if (!process) return Fail("cannot open the program's process");
  RECT r{};
  GetWindowRect(f, &r);
  void* remote = VirtualAllocEx(process, nullptr, sizeof r, MEM_COMMIT, PAGE_READWRITE);
  bool ok = remote && WriteProcessMemory(process, remote, &r, sizeof r, nullptr);
  if (ok) SendMessageW(f, 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(remote));
  if (remote) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  CloseHandle(process);
  if (!ok) return Fail("cannot write the suggested rectangle");
  Pump(200);
  Ok();
}

// The live-region events the program raised while a command waited.
// Its text is the window's when the event reached the driver; `raised` is
// when the program raised it, `seen` when it arrived (tick counts).
struct WinEventSeen {
  wstring name, text;
  LONG object, child;
  DWORD raised, seen;
};
vector<WinEventSeen> winEvents;

void CALLBACK OnWinEvent(HWINEVENTHOOK, DWORD, HWND hwnd, LONG object, LONG child, DWORD, DWORD time) {
  winEvents.push_back({NameOf(hwnd), TextOf(hwnd), object, child, time, GetTickCount()});
}

// liveregion COUNT TIMEOUT_MS [COMMAND ARGS...]: runs the command (its answer
// dropped), then waits until the program has raised COUNT live-region events
// (EVENT_OBJECT_LIVEREGIONCHANGED), or the time is up; reports each event's
// window, that window's text when the event arrived, its object and child,
// and the tick counts when it was raised and when it arrived.
void CmdLiveRegion(const vector<string>& a) {
  if (a.size() < 3) return Fail("usage: liveregion COUNT TIMEOUT_MS [COMMAND ARGS...]");
  constexpr DWORD kLiveRegionChanged = 0x8019;
  vector<DWORD> pids = VesperaPids();
  if (pids.empty()) return Fail("the program is not running");
  winEvents.clear();
  HWINEVENTHOOK hook = SetWinEventHook(kLiveRegionChanged, kLiveRegionChanged, nullptr, OnWinEvent,
                                       pids[0], 0, WINEVENT_OUTOFCONTEXT);
  if (!hook) return Fail("SetWinEventHook failed");
  if (a.size() > 3) {
    quiet = true;
    Run(vector<string>(a.begin() + 3, a.end()));
    quiet = false;
  }
  auto want = static_cast<size_t>(ToInt(a[1], 1));
  DWORD start = GetTickCount();
  DWORD timeout = static_cast<DWORD>(ToInt(a[2], 10000));
  Waiting(timeout);
  while (winEvents.size() < want && GetTickCount() - start < timeout) Pump(20);
  UnhookWinEvent(hook);
  Json j;
  j.Open('{').Key("ok").Bool(true).Key("events").Open('[');
  for (const WinEventSeen& e : winEvents) {
    j.Open('{').Key("name").Str(e.name).Key("text").Str(e.text);
    j.Key("object").Int(e.object).Key("child").Int(e.child);
    j.Key("raised").Int(static_cast<long long>(e.raised)).Key("seen").Int(static_cast<long long>(e.seen)).Close('}');
  }
  j.Close(']').Close('}');
  Emit(j.Text());
}

}  // namespace vdriver
