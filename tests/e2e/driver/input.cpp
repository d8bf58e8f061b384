// Real input to the program, and the wait for it to have handled it.

#include "vdriver.h"

namespace vdriver {

AttachedInput::AttachedInput(HWND target) {
  self_ = GetCurrentThreadId();
  other_ = GetWindowThreadProcessId(target, nullptr);
  attached_ = other_ && other_ != self_ && AttachThreadInput(self_, other_, TRUE);
}

AttachedInput::~AttachedInput() {
  if (attached_) AttachThreadInput(self_, other_, FALSE);
}

void Pump(DWORD ms) {
  DWORD end = GetTickCount() + ms;
  do {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
    Sleep(10);
  } while (static_cast<LONG>(end - GetTickCount()) > 0);
}

bool PaintPending(HWND window) {
  if (GetUpdateRect(window, nullptr, FALSE)) return true;
  for (HWND c : Descendants(window)) {
    if (IsWindowVisible(c) && GetUpdateRect(c, nullptr, FALSE)) return true;
  }
  return false;
}

// Waits until the thread of `window` has handled everything queued for it
// before this call, whatever its load. The window and its children are
// marked for repainting, and the window system hands a thread its paint
// only once no sent, posted or input message is left in its queue: the
// handlers of the input before have run by the time the marks are gone. A
// hidden window has nothing to paint; for it this returns at once. False
// when the limit passed first.
bool Settle(HWND window, DWORD limitMs) {
  window = window ? GetAncestor(window, GA_ROOT) : nullptr;
  if (!window || !IsWindowVisible(window)) return true;
  Waiting(limitMs);
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
  DWORD start = GetTickCount();
  while (IsWindow(window) && IsWindowVisible(window) && PaintPending(window)) {
    if (GetTickCount() - start >= limitMs) return false;
    Sleep(10);
  }
  return true;
}

bool BringToFront(HWND form) {
  if (GetForegroundWindow() != form) {
    AttachedInput attach(form);
    SetForegroundWindow(form);
  }
  return GetForegroundWindow() == form;
}

bool KeysReach(HWND form) {
  if (BringToFront(form)) return true;
  HWND front = GetForegroundWindow();
  DWORD pid = 0;
  if (front) GetWindowThreadProcessId(front, &pid);
  Fail("keys would not reach the program: " + Utf8(NameOf(form)) + " is not the foreground window, " +
       (front ? "a window of class " + Utf8(ClassOf(front)) + " (\"" + Utf8(TextOf(front)) +
                    "\", process " + std::to_string(pid) + ") is"
              : string("none is")));
  return false;
}

HWND ProgramWindow() {
  HWND main = MainForm();
  GUITHREADINFO gi{};
  gi.cbSize = sizeof gi;
  if (main && GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &gi) && gi.hwndActive) {
    return gi.hwndActive;
  }
  return main;
}

HWND Focus(HWND control, HWND form) {
  AttachedInput attach(form);
  SetForegroundWindow(form);
  SetActiveWindow(form);
  if (control != form) SetFocus(control);
  return GetFocus();
}

HWND FocusedWindow(HWND form) {
  GUITHREADINFO gi{};
  gi.cbSize = sizeof gi;
  DWORD tid = GetWindowThreadProcessId(form, nullptr);
  if (!GetGUIThreadInfo(tid, &gi)) return nullptr;
  return gi.hwndFocus;
}

void SendKey(WORD vk, bool up) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, 0));
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &in, sizeof in);
}

void SendChar(wchar_t c) {
  SHORT vks = VkKeyScanW(c);
  if (vks != -1 && c < 128) {
    bool shift = (vks & 0x100) != 0;
    if (shift) SendKey(VK_SHIFT, false);
    SendKey(LOBYTE(vks), false);
    SendKey(LOBYTE(vks), true);
    if (shift) SendKey(VK_SHIFT, true);
    return;
  }
  INPUT in[2] = {};
  in[0].type = in[1].type = INPUT_KEYBOARD;
  in[0].ki.wScan = in[1].ki.wScan = c;
  in[0].ki.dwFlags = KEYEVENTF_UNICODE;
  in[1].ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
  SendInput(2, in, sizeof(INPUT));
}

struct KeyName {
  const char* name;
  WORD vk;
};
const KeyName kKeys[] = {
    {"esc", VK_ESCAPE}, {"tab", VK_TAB},       {"enter", VK_RETURN}, {"backspace", VK_BACK},
    {"delete", VK_DELETE}, {"home", VK_HOME}, {"end", VK_END},      {"left", VK_LEFT},
    {"right", VK_RIGHT}, {"up", VK_UP},       {"down", VK_DOWN},    {"space", VK_SPACE},
};

// "esc", "alt+e", "shift+end", "ctrl+a" to `form`'s thread, sent while that
// thread is held (HeldThread): Wine sets its modifier keys to the display's
// (none held) when a focus change reaches the program's thread, and that
// must not come between a modifier and its key; queued, each key keeps the
// modifiers it was sent with. False for a chord it does not know.
bool PressKeyChord(HWND form, const string& what) {
  vector<WORD> mods;
  string rest = what;
  for (;;) {
    size_t plus = rest.find('+');
    if (plus == string::npos || plus + 1 >= rest.size()) break;
    string m = rest.substr(0, plus);
    if (m == "alt") mods.push_back(VK_MENU);
    else if (m == "ctrl") mods.push_back(VK_CONTROL);
    else if (m == "shift") mods.push_back(VK_SHIFT);
    else return false;
    rest = rest.substr(plus + 1);
  }
  WORD vk = 0;
  for (const KeyName& k : kKeys) {
    if (rest == k.name) vk = k.vk;
  }
  if (!vk && rest.size() == 1) {
    char c = rest[0];
    if (c >= 'a' && c <= 'z') vk = static_cast<WORD>(c - 'a' + 'A');
    else if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z')) vk = static_cast<WORD>(c);
  }
  if (!vk) return false;
  HeldThread hold(form);
  for (WORD m : mods) SendKey(m, false);
  SendKey(vk, false);
  SendKey(vk, true);
  for (auto it = mods.rbegin(); it != mods.rend(); ++it) SendKey(*it, true);
  return true;
}

HeldThread::HeldThread(HWND window) {
  DWORD tid = window ? GetWindowThreadProcessId(window, nullptr) : 0;
  if (tid && tid != GetCurrentThreadId()) {
    thread_ = OpenThread(THREAD_SUSPEND_RESUME | THREAD_GET_CONTEXT, FALSE, tid);
  }
  if (thread_ && SuspendThread(thread_) == static_cast<DWORD>(-1)) {
    CloseHandle(thread_);
    thread_ = nullptr;
  }
  // Suspending is asynchronous; reading the context waits until it took.
  CONTEXT context{};
  context.ContextFlags = CONTEXT_CONTROL;
  if (thread_) GetThreadContext(thread_, &context);
}

HeldThread::~HeldThread() {
  if (!thread_) return;
  ResumeThread(thread_);
  CloseHandle(thread_);
}

// A click at a screen point on `target`'s thread. The press and the release
// reach that thread together: a control that repeats while the button is
// held (a scroll bar's arrow) always finds the release queued before its
// repeat timer can fire, however late the thread gets to run. Each of them
// carries the point itself: a late pointer event of the window system (from
// an earlier move) can put the cursor back where it was before the press is
// queued, and a press at the cursor would then hit the previous arrow.
void MouseClickAt(int x, int y, HWND target, bool right) {
  SetCursorPos(x, y);
  INPUT in[3] = {};
  int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
  for (INPUT& i : in) {
    i.type = INPUT_MOUSE;
    i.mi.dx = static_cast<LONG>((x * 65535LL + cx / 2) / (cx > 1 ? cx - 1 : 1));
    i.mi.dy = static_cast<LONG>((y * 65535LL + cy / 2) / (cy > 1 ? cy - 1 : 1));
    i.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  }
  in[1].mi.dwFlags |= right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN;
  in[2].mi.dwFlags |= right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP;
  SendInput(1, &in[0], sizeof(INPUT));
  // The press must not overtake the move on a busy machine.
  PointerReached(x, y);
  Settle(target);
  HeldThread hold(target);
  SendInput(2, &in[1], sizeof(INPUT));
}

void PointerReached(int x, int y) {
  Waiting(kLimitMs);
  for (DWORD start = GetTickCount(); GetTickCount() - start < kLimitMs;) {
    POINT p{};
    GetCursorPos(&p);
    if (p.x == x && p.y == y) return;
    Sleep(25);
  }
}

void MovePointer(int x, int y) {
  INPUT in{};
  int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
  in.type = INPUT_MOUSE;
  in.mi.dx = static_cast<LONG>((x * 65535LL + cx / 2) / (cx > 1 ? cx - 1 : 1));
  in.mi.dy = static_cast<LONG>((y * 65535LL + cy / 2) / (cy > 1 ? cy - 1 : 1));
  in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &in, sizeof in);
}

const char kUnsettled[] = "the program did not take it within the limit";

// Ok once the program has handled what was sent to `window`'s thread.
void SettledOk(HWND window) {
  if (Settle(window)) Ok(); else Fail(kUnsettled);
}

// click CONTROL [post|send|sync|mouse]
void CmdClick(const vector<string>& a) {
  HWND form = nullptr;
  HWND c = ControlArg(a, 2, "usage: click CONTROL [post|send|sync|mouse]", &form);
  if (!c) return;
  string mode = a.size() > 2 ? a[2] : "post";
  Json j;
  j.Open('{').Key("ok").Bool(true);
  if (mode == "mouse") {
    BringToFront(form);
    RECT r{};
    GetWindowRect(c, &r);
    MouseClickAt((r.left + r.right) / 2, (r.top + r.bottom) / 2, c);
  } else if (mode == "send" || mode == "sync") {
    if (mode == "sync") {
      // Keep the click well inside one second, so the program's "now"
      // is the second read before and after.
      SYSTEMTIME st;
      GetLocalTime(&st);
      while (st.wMilliseconds > 600) {
        Sleep(20);
        GetLocalTime(&st);
      }
    }
    j.Key("before").Open('{');
    LocalNow(j);
    j.Close('}');
    SendMessageW(c, BM_CLICK, 0, 0);
    j.Key("after").Open('{');
    LocalNow(j);
    j.Close('}');
  } else {
    PostMessageW(c, BM_CLICK, 0, 0);
  }
  // A click sent while a handler of the program waits in a system call is
  // handled after that handler: "send" too must wait for it.
  if (!Settle(form)) return Fail(kUnsettled);
  j.Close('}');
  Emit(j.Text());
}

// select CONTROL INDEX|=TEXT
void CmdSelect(const vector<string>& a) {
  HWND c = ControlArg(a, 3, "usage: select CONTROL INDEX|=TEXT");
  if (!c) return;
  LRESULT index;
  if (!a[2].empty() && a[2][0] == '=') {
    wstring text = Wide(a[2].substr(1));
    index = SendMessageW(c, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                         reinterpret_cast<LPARAM>(text.c_str()));
    if (index == CB_ERR) return Fail("no entry " + a[2].substr(1));
  } else {
    index = ToInt(a[2], 0);
  }
  SendMessageW(c, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  HWND parent = GetParent(c);
  WPARAM wp = MAKEWPARAM(GetDlgCtrlID(c), CBN_SELCHANGE);
  SendMessageW(parent, WM_COMMAND, wp, reinterpret_cast<LPARAM>(c));
  if (!Settle(c)) return Fail(kUnsettled);
  Json j;
  j.Open('{').Key("ok").Bool(true).Key("selected").Int(SendMessageW(c, CB_GETCURSEL, 0, 0)).Close('}');
  Emit(j.Text());
}

// focus CONTROL: make its form foreground and give it the keyboard focus.
void CmdFocus(const vector<string>& a) {
  HWND form = nullptr;
  HWND c = ControlArg(a, 2, "usage: focus CONTROL", &form);
  if (!c) return;
  HWND got = Focus(c, form);
  Json j;
  j.Open('{').Key("ok").Bool(got == c && GetForegroundWindow() == form).Key("focus").Str(NameOf(got));
  j.Close('}');
  Emit(j.Text());
}

// type CONTROL TEXT [input|post]: real key strokes by default.
void CmdType(const vector<string>& a) {
  HWND form = nullptr;
  HWND c = ControlArg(a, 3, "usage: type CONTROL TEXT [input|post]", &form);
  if (!c) return;
  string mode = a.size() > 3 ? a[3] : "input";
  wstring text = Wide(a[2]);
  if (mode == "post") {
    for (wchar_t ch : text) {
      PostMessageW(c, WM_CHAR, ch, 1);
    }
  } else {
    HWND got = Focus(c, form);
    if (got != c) return Fail("could not focus " + a[1] + " (focus on " + Utf8(NameOf(got)) + ")");
    if (!KeysReach(form)) return;
    HeldThread hold(form);
    for (wchar_t ch : text) SendChar(ch);
  }
  if (!Settle(form)) return Fail(kUnsettled);
  Json j;
  j.Open('{').Key("ok").Bool(true).Key("text").Str(TextOf(c)).Close('}');
  Emit(j.Text());
}

// key CONTROL|- KEYS: a key (with modifiers) to the control (to a form: to
// its control with the focus), or to whatever has the focus in the program's
// active window when CONTROL is "-"; fails unless that window is in front,
// and answers once the program has taken it.
void CmdKey(const vector<string>& a) {
  if (a.size() < 3) return Fail("usage: key CONTROL|- KEYS");
  HWND form = ProgramWindow();
  if (a[1] != "-") {
    HWND c = FindControl(Wide(a[1]), &form);
    if (!c) return Fail("control not found: " + a[1]);
    HWND got = Focus(c, form);
    // A form keeps the focus where it has put it, on one of its controls.
    if (got != c && !(c == form && IsChild(form, got))) return Fail("could not focus " + a[1]);
  }
  if (!form) return Fail("no window of the program to send keys to");
  if (!KeysReach(form)) return;
  if (!PressKeyChord(form, a[2])) return Fail("unknown key " + a[2]);
  SettledOk(form);
}

// setsel CONTROL START END [post]: select a range of an edit's text. Posted,
// it comes after everything already queued for the program.
void CmdSetSel(const vector<string>& a) {
  HWND c = ControlArg(a, 4, "usage: setsel CONTROL START END [post]");
  if (!c) return;
  auto start = static_cast<WPARAM>(ToInt(a[2], 0));
  auto end = static_cast<LPARAM>(ToInt(a[3], -1));
  if (a.size() > 4 && a[4] == "post") PostMessageW(c, EM_SETSEL, start, end);
  else SendMessageW(c, EM_SETSEL, start, end);
  SettledOk(c);
}

// scroll CONTROL up|down [COUNT] [msg|mouse]
void CmdScroll(const vector<string>& a) {
  HWND form = nullptr;
  HWND c = ControlArg(a, 3, "usage: scroll CONTROL up|down [COUNT] [msg|mouse]", &form);
  if (!c) return;
  bool up = a[2] == "up";
  int count = ToInt(a.size() > 3 ? a[3] : "", 1);
  string mode = a.size() > 4 ? a[4] : "msg";
  for (int i = 0; i < count; ++i) {
    if (mode == "mouse") {
      BringToFront(form);
      RECT r{};
      GetWindowRect(c, &r);
      int arrow = GetSystemMetrics(SM_CYVSCROLL) / 2;
      if (arrow > (r.bottom - r.top) / 4) arrow = (r.bottom - r.top) / 4;
      MouseClickAt((r.left + r.right) / 2, up ? r.top + arrow : r.bottom - 1 - arrow, c);
      if (!Settle(form)) return Fail(kUnsettled);
      // Real time between the clicks, longer than the double-click time, so
      // that each click is a click of its own.
      Sleep(GetDoubleClickTime() + 50);
    } else {
      HWND parent = GetParent(c);
      SendMessageW(parent, WM_VSCROLL, MAKEWPARAM(up ? SB_LINEUP : SB_LINEDOWN, 0),
                   reinterpret_cast<LPARAM>(c));
      SendMessageW(parent, WM_VSCROLL, MAKEWPARAM(SB_ENDSCROLL, 0), reinterpret_cast<LPARAM>(c));
    }
  }
  SettledOk(form);
}

// close FORM [sc]: WM_CLOSE, or the system menu's Close.
void CmdClose(const vector<string>& a) {
  HWND f = FormArg(a, 2, "usage: close FORM [sc]");
  if (!f) return;
  if (a.size() > 2 && a[2] == "sc") PostMessageW(f, WM_SYSCOMMAND, SC_CLOSE, 0);
  else PostMessageW(f, WM_CLOSE, 0, 0);
  SettledOk(f);
}

// settle FORM: answers once the form's thread has handled everything queued
// before, its paint included (the form is drawn).
void CmdSettle(const vector<string>& a) {
  HWND f = FormArg(a, 2, "usage: settle FORM");
  if (!f) return;
  SettledOk(f);
}

// sweep FORM: the real pointer across the whole client area, row by row,
// through every x of the tray's mouse messages (512 to 518) on each row.
// Where the window's own background lies under 515 or 517 (the double click
// and the right button's release), the driver waits until the program has
// handled that move; "exposed" counts those points.
void CmdSweep(const vector<string>& a) {
  HWND f = FindForm(Wide(a.size() > 1 ? a[1] : "frmMain"));
  if (!f) return Fail("form not found");
  BringToFront(f);
  RECT c{};
  GetClientRect(f, &c);
  POINT origin{0, 0};
  ClientToScreen(f, &origin);
  int moves = 0, exposed = 0;
  for (int y = 0; y < c.bottom; y += 8) {
    for (int x = 0; x < c.right; x += (x >= 500 && x < 520) ? 1 : 20) {
      MovePointer(origin.x + x, origin.y + y);
      ++moves;
      // A disabled child (the armed settings frame) lets the move through.
      if ((x != 515 && x != 517) ||
          ChildWindowFromPointEx(f, POINT{x, y}, CWP_SKIPINVISIBLE | CWP_SKIPDISABLED) != f) {
        continue;
      }
      ++exposed;
      // Moves still queued are merged into the last one: each of these
      // reaches the program on its own.
      if (!Settle(f)) return Fail(kUnsettled);
    }
  }
  if (!Settle(f)) return Fail(kUnsettled);
  Json j;
  j.Open('{').Key("ok").Bool(true).Key("moves").Int(moves).Key("exposed").Int(exposed).Close('}');
  Emit(j.Text());
}

}  // namespace vdriver
