// vdriver: drives and inspects vespera.exe from inside the same Wine session.
// What the driver's files share; each command's file says what it holds:
//   output.cpp    the JSON answer and the text conversions
//   windows.cpp   finding forms, controls and windows, and reading them
//   input.cpp     real input, and Settle: the wait for the program to have
//                 handled it
//   shell.cpp     the stand-in notification area and the tray's messages
//   session.cpp   the clock, DPI messages and the events screen readers hear
//   extent_hook.cpp  a library the driver's hook loads into the program,
//                 to measure a control's text in the control's own font
//   vdriver.cpp   the table of every command, and main
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <string>
#include <vector>

namespace vdriver {

using std::string;
using std::vector;
using std::wstring;

// ---- output.cpp ----

string Utf8(const wstring& w);
wstring Wide(const string& s);

// Minimal JSON writer: one object per answer.
class Json {
 public:
  Json& Key(const char* k);
  Json& Str(const string& s);
  Json& Str(const wstring& w);
  Json& Int(long long v);
  Json& Bool(bool v);
  Json& Null();
  Json& Open(char c);
  Json& Close(char c);
  const string& Text() const { return out_; }

 private:
  void Sep();
  string out_;
  bool comma_ = false;
};

// While set, a command's answer goes nowhere (a command run by another).
extern bool quiet;

void Emit(const string& line);
// Tells the tests, before a wait, the longest it may take: the answer can
// come that much later. Said even while quiet, the answer's time being the
// command's.
void Waiting(DWORD ms);
void Fail(const string& msg);
void Ok();
int ToInt(const string& s, int fallback);

// ---- windows.cpp ----

wstring NameOf(HWND h);
wstring ClassOf(HWND h);
wstring TextOf(HWND h);
vector<DWORD> VesperaPids();
vector<HWND> TopWindows();
vector<HWND> Descendants(HWND parent);
HWND FindForm(const wstring& name);
HWND FindControl(const wstring& what, HWND* formOut = nullptr);
// A command's form or control (a[1]); nullptr once it has answered why not.
HWND FormArg(const vector<string>& a, size_t need, const char* usage);
HWND ControlArg(const vector<string>& a, size_t need, const char* usage, HWND* formOut = nullptr);
HWND MainForm();
HWND FindPopupMenu();
HWND WaitForWindow(HWND (*find)(), const string& timeoutArg);
void RectJson(Json& j, const char* key, HWND h, HWND relativeTo);

// ---- input.cpp ----

// Keyboard focus lives per thread; attaching to the program's input queue
// lets the driver move it and make the form the foreground window.
class AttachedInput {
 public:
  explicit AttachedInput(HWND target);
  ~AttachedInput();
  AttachedInput(const AttachedInput&) = delete;
  AttachedInput& operator=(const AttachedInput&) = delete;

 private:
  DWORD self_ = 0, other_ = 0;
  bool attached_ = false;
};

// Stops the thread that owns a window until the object goes, so that
// input sent meanwhile is all queued before that thread handles any of it.
class HeldThread {
 public:
  explicit HeldThread(HWND window);
  ~HeldThread();
  HeldThread(const HeldThread&) = delete;
  HeldThread& operator=(const HeldThread&) = delete;

 private:
  HANDLE thread_ = nullptr;
};

// How long a command waits for the program to reach the state it expects.
constexpr DWORD kLimitMs = 20000;
extern const char kUnsettled[];

void Pump(DWORD ms);
bool Settle(HWND window, DWORD limitMs = kLimitMs);
void SettledOk(HWND window);
HWND FocusedWindow(HWND form);
// Keys typed with SendInput go to the foreground window, whoever owns it.
// Makes form the foreground window; true when it is.
bool BringToFront(HWND form);
// BringToFront, or false once the answer has said which window is in front.
bool KeysReach(HWND form);
// The program's active window (About over the main window), else frmMain.
HWND ProgramWindow();
void MouseClickAt(int x, int y, HWND target, bool right = false);
void MovePointer(int x, int y);
// Waits until the pointer is at (x, y), within the limit.
void PointerReached(int x, int y);

// ---- session.cpp ----

void LocalNow(Json& j);

// ---- extent_hook.cpp ----

// The driver writes the request into the shared block of this name and
// sends the message of this name to the control; the hook, on the program's
// thread before the control's procedure, writes the answer (widths, heights).
constexpr wchar_t kExtentMessage[] = L"VesperaDriverExtent";
struct ExtentBlock {
  bool ownText, done;  // ownText: the control's own text, not `text`
  wchar_t text[1024];
  LONG extent[2], room[2];
};

// ---- vdriver.cpp ----

// Runs one command; false for "quit".
bool Run(const vector<string>& a);

// ---- the commands, by file ----

// windows.cpp
void CmdWait(const vector<string>& a);
void CmdWaitGone(const vector<string>& a);
void CmdDump(const vector<string>& a);
void CmdGet(const vector<string>& a);
void CmdExtent(const vector<string>& a);
void CmdStatusTexts(const vector<string>& a);
void CmdAlive(const vector<string>&);
void CmdWindows(const vector<string>&);
void CmdAllWindows(const vector<string>&);
void CmdFocused(const vector<string>& a);
void CmdMsgBox(const vector<string>& a);
void CmdMsgBoxOk(const vector<string>&);
// input.cpp
void CmdClick(const vector<string>& a);
void CmdSelect(const vector<string>& a);
void CmdFocus(const vector<string>& a);
void CmdType(const vector<string>& a);
void CmdKey(const vector<string>& a);
void CmdSetSel(const vector<string>& a);
void CmdScroll(const vector<string>& a);
void CmdClose(const vector<string>& a);
void CmdSettle(const vector<string>& a);
void CmdSweep(const vector<string>& a);
// shell.cpp
void CmdShell(const vector<string>& a);
void CmdTray(const vector<string>& a);
void CmdTrayMenu(const vector<string>& a);
void CmdCloseMenu(const vector<string>& a);
void CmdTrayIcon(const vector<string>& a);
// session.cpp
void CmdClock(const vector<string>&);
void CmdSleep(const vector<string>& a);
void CmdDpiChange(const vector<string>& a);
void CmdLiveRegion(const vector<string>& a);

}  // namespace vdriver
