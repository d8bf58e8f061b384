// vdriver: drives and inspects vespera.exe from inside the same Wine session.
//
// Usage: vdriver.exe CMD ARG...      runs one command
//        vdriver.exe                 reads commands from stdin, one per line,
//                                    fields separated by tabs
// Every command answers with one line of JSON (UTF-8) on stdout.
// Controls and forms are found by the name the program attaches to each
// window as the "VesperaName" property (a global atom).

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {

using std::string;
using std::vector;
using std::wstring;

const wchar_t kNameProp[] = L"VesperaName";
const wchar_t kFormClass[] = L"VesperaForm";
const wchar_t kExeName[] = L"vespera.exe";
// The program's tray callback message (ui::kTrayMessage, WM_APP + 0x40).
const UINT kTrayMessage = 0x8040;

string Utf8(const wstring& w) {
  if (w.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0,
                              nullptr, nullptr);
  string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr,
                      nullptr);
  return s;
}

wstring Wide(const string& s) {
  if (s.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

// Minimal JSON writer: one object per answer.
class Json {
 public:
  Json& Key(const char* k) {
    Str(string(k));
    out_ += ':';
    comma_ = false;
    return *this;
  }
  Json& Str(const string& s) {
    Sep();
    out_ += '"';
    for (unsigned char c : s) {
      switch (c) {
        case '"': out_ += "\\\""; break;
        case '\\': out_ += "\\\\"; break;
        case '\n': out_ += "\\n"; break;
        case '\r': out_ += "\\r"; break;
        case '\t': out_ += "\\t"; break;
        default:
          if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out_ += buf;
          } else {
            out_ += static_cast<char>(c);
          }
      }
    }
    out_ += '"';
    return *this;
  }
  Json& Str(const wstring& w) { return Str(Utf8(w)); }
  Json& Int(long long v) {
    Sep();
    out_ += std::to_string(v);
    return *this;
  }
  Json& Bool(bool v) {
    Sep();
    out_ += v ? "true" : "false";
    return *this;
  }
  Json& Null() {
    Sep();
    out_ += "null";
    return *this;
  }
  Json& Open(char c) {
    Sep();
    out_ += c;
    comma_ = false;
    return *this;
  }
  Json& Close(char c) {
    out_ += c;
    comma_ = true;
    return *this;
  }
  const string& Text() const { return out_; }

 private:
  void Sep() {
    if (comma_) out_ += ',';
    comma_ = true;
  }
  string out_;
  bool comma_ = false;
};

// While set, a command's answer goes nowhere (a command run by another).
bool quiet = false;

void Emit(const string& line) {
  if (quiet) return;
  string s = line + "\n";
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), s.data(), static_cast<DWORD>(s.size()), &written,
            nullptr);
}

void Fail(const string& msg) {
  Json j;
  j.Open('{').Key("ok").Bool(false).Key("error").Str(msg).Close('}');
  Emit(j.Text());
}

wstring NameOf(HWND h) {
  auto atom = static_cast<ATOM>(reinterpret_cast<UINT_PTR>(GetPropW(h, kNameProp)));
  if (!atom) return {};
  wchar_t buf[256] = {};
  UINT n = GlobalGetAtomNameW(atom, buf, 256);
  return wstring(buf, n);
}

wstring ClassOf(HWND h) {
  wchar_t buf[256] = {};
  int n = GetClassNameW(h, buf, 256);
  return wstring(buf, static_cast<size_t>(n > 0 ? n : 0));
}

wstring TextOf(HWND h) {
  // WM_GETTEXT works across processes where GetWindowText would not ask.
  LRESULT len = SendMessageW(h, WM_GETTEXTLENGTH, 0, 0);
  if (len <= 0) return {};
  wstring buf(static_cast<size_t>(len) + 1, L'\0');
  LRESULT n = SendMessageW(h, WM_GETTEXT, static_cast<WPARAM>(len) + 1,
                           reinterpret_cast<LPARAM>(buf.data()));
  buf.resize(static_cast<size_t>(n > 0 ? n : 0));
  return buf;
}

bool ProcessIsVespera(DWORD pid) {
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) return false;
  PROCESSENTRY32W pe{};
  pe.dwSize = sizeof pe;
  bool found = false;
  for (BOOL ok = Process32FirstW(snap, &pe); ok; ok = Process32NextW(snap, &pe)) {
    if (pe.th32ProcessID == pid && _wcsicmp(pe.szExeFile, kExeName) == 0) found = true;
  }
  CloseHandle(snap);
  return found;
}

vector<DWORD> VesperaPids() {
  vector<DWORD> pids;
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) return pids;
  PROCESSENTRY32W pe{};
  pe.dwSize = sizeof pe;
  for (BOOL ok = Process32FirstW(snap, &pe); ok; ok = Process32NextW(snap, &pe)) {
    if (_wcsicmp(pe.szExeFile, kExeName) == 0) pids.push_back(pe.th32ProcessID);
  }
  CloseHandle(snap);
  return pids;
}

BOOL CALLBACK Collect(HWND h, LPARAM p) {
  reinterpret_cast<vector<HWND>*>(p)->push_back(h);
  return TRUE;
}

vector<HWND> TopWindows() {
  vector<HWND> v;
  EnumWindows(Collect, reinterpret_cast<LPARAM>(&v));
  return v;
}

vector<HWND> Descendants(HWND parent) {
  vector<HWND> v;
  EnumChildWindows(parent, Collect, reinterpret_cast<LPARAM>(&v));
  return v;
}

HWND FindForm(const wstring& name) {
  for (HWND h : TopWindows()) {
    if (ClassOf(h) == kFormClass && NameOf(h) == name) return h;
  }
  return nullptr;
}

// "frmMain.txtHour" or "txtHour" (searched in every form, main first).
HWND FindControl(const wstring& what, HWND* formOut = nullptr) {
  wstring form, name = what;
  size_t dot = what.find(L'.');
  if (dot != wstring::npos) {
    form = what.substr(0, dot);
    name = what.substr(dot + 1);
  }
  vector<HWND> forms;
  if (!form.empty()) {
    if (HWND f = FindForm(form)) forms.push_back(f);
  } else {
    for (const wchar_t* f : {L"frmMain", L"frmAbout"}) {
      if (HWND h = FindForm(f)) forms.push_back(h);
    }
  }
  for (HWND f : forms) {
    if (NameOf(f) == name) {
      if (formOut) *formOut = f;
      return f;
    }
    for (HWND c : Descendants(f)) {
      if (NameOf(c) == name) {
        if (formOut) *formOut = f;
        return c;
      }
    }
  }
  return nullptr;
}

bool EffectivelyEnabled(HWND h) {
  for (HWND w = h; w; w = (GetWindowLongW(w, GWL_STYLE) & WS_CHILD) ? GetParent(w) : nullptr) {
    if (!IsWindowEnabled(w)) return false;
  }
  return true;
}

void RectJson(Json& j, const char* key, HWND h, HWND relativeTo) {
  RECT r{};
  GetWindowRect(h, &r);
  if (relativeTo) MapWindowPoints(nullptr, relativeTo, reinterpret_cast<POINT*>(&r), 2);
  j.Key(key).Open('[').Int(r.left).Int(r.top).Int(r.right - r.left).Int(r.bottom - r.top).Close(']');
}

void ControlJson(Json& j, HWND h, HWND form) {
  wstring cls = ClassOf(h);
  LONG style = GetWindowLongW(h, GWL_STYLE);
  j.Open('{');
  wstring name = NameOf(h);
  j.Key("name");
  if (name.empty()) j.Null(); else j.Str(name);
  j.Key("class").Str(cls);
  j.Key("text").Str(TextOf(h));
  j.Key("enabled").Bool(IsWindowEnabled(h) != FALSE);
  j.Key("effective_enabled").Bool(EffectivelyEnabled(h));
  j.Key("visible").Bool(IsWindowVisible(h) != FALSE);
  j.Key("style").Int(static_cast<unsigned long>(style));
  RectJson(j, "rect", h, form);
  RECT cr{};
  GetClientRect(h, &cr);
  j.Key("client").Open('[').Int(cr.right).Int(cr.bottom).Close(']');
  j.Key("parent").Str(NameOf(GetParent(h)));
  // The sibling before it in z-order: where screen readers look for its name.
  j.Key("prev").Str(NameOf(GetWindow(h, GW_HWNDPREV)));
  if (_wcsicmp(cls.c_str(), L"ComboBox") == 0) {
    LRESULT n = SendMessageW(h, CB_GETCOUNT, 0, 0);
    j.Key("items").Open('[');
    for (LRESULT i = 0; i < n; ++i) {
      LRESULT len = SendMessageW(h, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
      wstring buf(static_cast<size_t>(len > 0 ? len : 0) + 1, L'\0');
      SendMessageW(h, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buf.data()));
      buf.resize(wcslen(buf.c_str()));
      j.Str(buf);
    }
    j.Close(']');
    j.Key("selected").Int(SendMessageW(h, CB_GETCURSEL, 0, 0));
    j.Key("dropped").Bool(SendMessageW(h, CB_GETDROPPEDSTATE, 0, 0) != 0);
  } else if (_wcsicmp(cls.c_str(), L"Button") == 0) {
    LONG type = style & BS_TYPEMASK;
    const char* kind = "push";
    if (type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE || type == BS_AUTO3STATE)
      kind = "check";
    else if (type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON)
      kind = "radio";
    else if (type == BS_GROUPBOX)
      kind = "group";
    j.Key("kind").Str(kind);
    j.Key("check").Int(SendMessageW(h, BM_GETCHECK, 0, 0));
  } else if (_wcsicmp(cls.c_str(), L"ScrollBar") == 0) {
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_ALL;
    GetScrollInfo(h, SB_CTL, &si);
    j.Key("pos").Int(si.nPos).Key("min").Int(si.nMin).Key("max").Int(si.nMax);
  } else if (_wcsicmp(cls.c_str(), L"Edit") == 0) {
    j.Key("limit").Int(SendMessageW(h, EM_GETLIMITTEXT, 0, 0));
    DWORD s = 0, e = 0;
    SendMessageW(h, EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
    j.Key("sel").Open('[').Int(s).Int(e).Close(']');
  }
  j.Close('}');
}

void FormJson(Json& j, HWND f) {
  j.Key("form").Str(NameOf(f));
  j.Key("hwnd").Int(static_cast<long long>(reinterpret_cast<UINT_PTR>(f)));
  j.Key("caption").Str(TextOf(f));
  j.Key("visible").Bool(IsWindowVisible(f) != FALSE);
  j.Key("enabled").Bool(IsWindowEnabled(f) != FALSE);
  j.Key("style").Int(static_cast<unsigned long>(GetWindowLongW(f, GWL_STYLE)));
  j.Key("exstyle").Int(static_cast<unsigned long>(GetWindowLongW(f, GWL_EXSTYLE)));
  RectJson(j, "screen", f, nullptr);
  RECT cr{};
  GetClientRect(f, &cr);
  POINT origin{0, 0};
  ClientToScreen(f, &origin);
  j.Key("client").Open('[').Int(origin.x).Int(origin.y).Int(cr.right).Int(cr.bottom).Close(']');
  HWND owner = GetWindow(f, GW_OWNER);
  j.Key("owner_visible").Bool(owner && IsWindowVisible(owner));
  j.Key("foreground").Bool(GetForegroundWindow() == f);
}

// Keyboard focus lives per thread; attaching to the program's input queue
// lets the driver move it and make the form the foreground window.
class AttachedInput {
 public:
  explicit AttachedInput(HWND target) {
    self_ = GetCurrentThreadId();
    other_ = GetWindowThreadProcessId(target, nullptr);
    attached_ = other_ && other_ != self_ && AttachThreadInput(self_, other_, TRUE);
  }
  ~AttachedInput() {
    if (attached_) AttachThreadInput(self_, other_, FALSE);
  }
  AttachedInput(const AttachedInput&) = delete;
  AttachedInput& operator=(const AttachedInput&) = delete;

 private:
  DWORD self_ = 0, other_ = 0;
  bool attached_ = false;
};

void Pump(DWORD ms) {
  DWORD end = GetTickCount() + ms;
  do {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
    Sleep(10);
  } while (static_cast<LONG>(end - GetTickCount()) > 0);
}

// How long a command waits for the program to reach the state it expects.
constexpr DWORD kLimitMs = 20000;

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
bool Settle(HWND window, DWORD limitMs = kLimitMs) {
  window = window ? GetAncestor(window, GA_ROOT) : nullptr;
  if (!window || !IsWindowVisible(window)) return true;
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
  DWORD start = GetTickCount();
  while (IsWindow(window) && IsWindowVisible(window) && PaintPending(window)) {
    if (GetTickCount() - start >= limitMs) return false;
    Sleep(10);
  }
  return true;
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

// "esc", "alt+e", "shift+end", "ctrl+a".
bool PressKeyChord(const string& what) {
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
  for (WORD m : mods) SendKey(m, false);
  SendKey(vk, false);
  SendKey(vk, true);
  for (auto it = mods.rbegin(); it != mods.rend(); ++it) SendKey(*it, true);
  return true;
}

// Stops the thread that owns a window until the object goes, so that
// input sent meanwhile is all queued before that thread handles any of it.
class HeldThread {
 public:
  explicit HeldThread(HWND window) {
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
  ~HeldThread() {
    if (!thread_) return;
    ResumeThread(thread_);
    CloseHandle(thread_);
  }
  HeldThread(const HeldThread&) = delete;
  HeldThread& operator=(const HeldThread&) = delete;

 private:
  HANDLE thread_ = nullptr;
};

// A click at a screen point on `target`'s thread. The press and the release
// reach that thread together: a control that repeats while the button is
// held (a scroll bar's arrow) always finds the release queued before its
// repeat timer can fire, however late the thread gets to run. Each of them
// carries the point itself: a late pointer event of the window system (from
// an earlier move) can put the cursor back where it was before the press is
// queued, and a press at the cursor would then hit the previous arrow.
void MouseClickAt(int x, int y, HWND target, bool right = false) {
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
  for (DWORD start = GetTickCount(); GetTickCount() - start < kLimitMs;) {
    POINT p{};
    GetCursorPos(&p);
    if (p.x == x && p.y == y) break;
    Sleep(25);
  }
  Settle(target);
  HeldThread hold(target);
  SendInput(2, &in[1], sizeof(INPUT));
}

void LocalNow(Json& j) {
  SYSTEMTIME st;
  GetLocalTime(&st);
  DWORD ticks = GetTickCount();
  j.Key("ticks").Int(ticks);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04u-%02u-%02u %02u:%02u:%02u.%03u", st.wYear, st.wMonth, st.wDay,
                st.wHour, st.wMinute, st.wSecond, st.wMilliseconds);
  j.Key("local").Str(string(buf));
}

HWND WaitForm(const wstring& name, DWORD timeoutMs, bool wantVisible) {
  DWORD start = GetTickCount();
  for (;;) {
    HWND f = FindForm(name);
    if (f && (!wantVisible || IsWindowVisible(f))) return f;
    if (GetTickCount() - start >= timeoutMs) return nullptr;
    Sleep(50);
  }
}

HWND FindPopupMenu() {
  for (HWND h : TopWindows()) {
    if (ClassOf(h) == L"#32768" && IsWindowVisible(h)) return h;
  }
  return nullptr;
}

// A message box of the program: a visible dialog window of a vespera process.
HWND FindMessageBox() {
  for (HWND h : TopWindows()) {
    if (ClassOf(h) != L"#32770" || !IsWindowVisible(h)) continue;
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    if (ProcessIsVespera(pid)) return h;
  }
  return nullptr;
}

int ToInt(const string& s, int fallback) {
  if (s.empty()) return fallback;
  return std::atoi(s.c_str());
}

// ---- commands ----

void CmdWait(const vector<string>& a) {
  if (a.size() < 2) return Fail("usage: wait FORM [timeout_ms] [visible]");
  bool wantVisible = a.size() > 3 && a[3] == "visible";
  HWND f = WaitForm(Wide(a[1]), static_cast<DWORD>(ToInt(a.size() > 2 ? a[2] : "", 10000)), wantVisible);
  if (!f) return Fail("form not found: " + a[1]);
  Json j;
  j.Open('{').Key("ok").Bool(true);
  FormJson(j, f);
  j.Close('}');
  Emit(j.Text());
}

void CmdWaitGone(const vector<string>& a) {
  if (a.size() < 2) return Fail("usage: waitgone FORM [timeout_ms]");
  DWORD timeout = static_cast<DWORD>(ToInt(a.size() > 2 ? a[2] : "", 10000));
  DWORD start = GetTickCount();
  for (;;) {
    HWND f = FindForm(Wide(a[1]));
    if (!f || !IsWindowVisible(f)) break;
    if (GetTickCount() - start >= timeout) return Fail("still visible: " + a[1]);
    Sleep(50);
  }
  Json j;
  j.Open('{').Key("ok").Bool(true).Key("exists").Bool(FindForm(Wide(a[1])) != nullptr).Close('}');
  Emit(j.Text());
}

void CmdDump(const vector<string>& a) {
  if (a.size() < 2) return Fail("usage: dump FORM");
  HWND f = FindForm(Wide(a[1]));
  if (!f) return Fail("form not found: " + a[1]);
  Json j;
  j.Open('{').Key("ok").Bool(true);
  FormJson(j, f);
  j.Key("controls").Open('[');
  for (HWND c : Descendants(f)) ControlJson(j, c, f);
  j.Close(']');
  j.Close('}');
  Emit(j.Text());
}

void CmdGet(const vector<string>& a) {
  if (a.size() < 2) return Fail("usage: get CONTROL");
  HWND form = nullptr;
  HWND c = FindControl(Wide(a[1]), &form);
  if (!c) return Fail("control not found: " + a[1]);
  Json j;
  j.Open('{').Key("ok").Bool(true).Key("control");
  ControlJson(j, c, form);
  j.Close('}');
  Emit(j.Text());
}

void Ok() { Emit("{\"ok\":true}"); }

const char kUnsettled[] = "the program did not take it within the limit";

// Ok once the program has handled what was sent to `window`'s thread.
void SettledOk(HWND window) {
  if (Settle(window)) Ok(); else Fail(kUnsettled);
}

// click CONTROL [post|send|sync|mouse]
void CmdClick(const vector<string>& a) {
  if (a.size() < 2) return Fail("usage: click CONTROL [post|send|sync|mouse]");
  HWND form = nullptr;
  HWND c = FindControl(Wide(a[1]), &form);
  if (!c) return Fail("control not found: " + a[1]);
  string mode = a.size() > 2 ? a[2] : "post";
  Json j;
  j.Open('{').Key("ok").Bool(true);
  if (mode == "mouse") {
    AttachedInput attach(form);
    SetForegroundWindow(form);
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
  if (a.size() < 3) return Fail("usage: select CONTROL INDEX|=TEXT");
  HWND c = FindControl(Wide(a[1]));
  if (!c) return Fail("control not found: " + a[1]);
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
  if (a.size() < 2) return Fail("usage: focus CONTROL");
  HWND form = nullptr;
  HWND c = FindControl(Wide(a[1]), &form);
  if (!c) return Fail("control not found: " + a[1]);
  HWND got = Focus(c, form);
  Json j;
  j.Open('{').Key("ok").Bool(got == c).Key("focus").Str(NameOf(got)).Close('}');
  Emit(j.Text());
}

// type CONTROL TEXT [input|post]: real key strokes by default.
void CmdType(const vector<string>& a) {
  if (a.size() < 3) return Fail("usage: type CONTROL TEXT [input|post]");
  HWND form = nullptr;
  HWND c = FindControl(Wide(a[1]), &form);
  if (!c) return Fail("control not found: " + a[1]);
  string mode = a.size() > 3 ? a[3] : "input";
  wstring text = Wide(a[2]);
  if (mode == "post") {
    for (wchar_t ch : text) {
      PostMessageW(c, WM_CHAR, ch, 1);
    }
  } else {
    HWND got = Focus(c, form);
    if (got != c) return Fail("could not focus " + a[1] + " (focus on " + Utf8(NameOf(got)) + ")");
    for (wchar_t ch : text) SendChar(ch);
  }
  if (!Settle(form)) return Fail(kUnsettled);
  Json j;
  j.Open('{').Key("ok").Bool(true).Key("text").Str(TextOf(c)).Close('}');
  Emit(j.Text());
}

// key CONTROL|- KEYS: a key (with modifiers) to the control, or to whatever
// has the focus when CONTROL is "-"; answers once the program has taken it.
void CmdKey(const vector<string>& a) {
  if (a.size() < 3) return Fail("usage: key CONTROL|- KEYS");
  HWND form = GetForegroundWindow();
  if (a[1] != "-") {
    HWND c = FindControl(Wide(a[1]), &form);
    if (!c) return Fail("control not found: " + a[1]);
    HWND got = Focus(c, form);
    if (got != c) return Fail("could not focus " + a[1]);
  }
  if (!PressKeyChord(a[2])) return Fail("unknown key " + a[2]);
  SettledOk(form);
}

// setsel CONTROL START END [post]: select a range of an edit's text. Posted,
// it comes after everything already queued for the program.
void CmdSetSel(const vector<string>& a) {
  if (a.size() < 4) return Fail("usage: setsel CONTROL START END [post]");
  HWND c = FindControl(Wide(a[1]));
  if (!c) return Fail("control not found: " + a[1]);
  auto start = static_cast<WPARAM>(ToInt(a[2], 0));
  auto end = static_cast<LPARAM>(ToInt(a[3], -1));
  if (a.size() > 4 && a[4] == "post") PostMessageW(c, EM_SETSEL, start, end);
  else SendMessageW(c, EM_SETSEL, start, end);
  SettledOk(c);
}

// scroll CONTROL up|down [COUNT] [msg|mouse]
void CmdScroll(const vector<string>& a) {
  if (a.size() < 3) return Fail("usage: scroll CONTROL up|down [COUNT] [msg|mouse]");
  HWND form = nullptr;
  HWND c = FindControl(Wide(a[1]), &form);
  if (!c) return Fail("control not found: " + a[1]);
  bool up = a[2] == "up";
  int count = ToInt(a.size() > 3 ? a[3] : "", 1);
  string mode = a.size() > 4 ? a[4] : "msg";
  for (int i = 0; i < count; ++i) {
    if (mode == "mouse") {
      AttachedInput attach(form);
      SetForegroundWindow(form);
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

HWND MainForm() { return FindForm(L"frmMain"); }

// tray CODE: the notification the tray sends for a mouse message.
void CmdTray(const vector<string>& a) {
  if (a.size() < 2) return Fail("usage: tray CODE");
  HWND m = MainForm();
  if (!m) return Fail("main form not found");
  PostMessageW(m, kTrayMessage, 1, static_cast<LPARAM>(ToInt(a[1], 0)));
  SettledOk(m);
}

void MenuItemsJson(Json& j, HMENU menu) {
  j.Key("items").Open('[');
  int n = GetMenuItemCount(menu);
  for (int i = 0; i < n; ++i) {
    wchar_t buf[256] = {};
    MENUITEMINFOW mi{};
    mi.cbSize = sizeof mi;
    mi.fMask = MIIM_FTYPE | MIIM_STRING;
    mi.dwTypeData = buf;
    mi.cch = 255;
    GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &mi);
    if (mi.fType & MFT_SEPARATOR) j.Str(string("-"));
    else j.Str(wstring(buf));
  }
  j.Close(']');
}

wchar_t Mnemonic(const wstring& caption) {
  size_t amp = caption.find(L'&');
  if (amp == wstring::npos || amp + 1 >= caption.size()) return 0;
  return caption[amp + 1];
}

// traymenu [ITEM|keep]: open the tray menu through the callback; with ITEM,
// pick that entry, with "keep" leave the menu open, else close it again.
// Where the menu's items cannot be read from this process (Wine keeps menus
// per process), the entry is picked by its access key.
void CmdTrayMenu(const vector<string>& a) {
  HWND m = MainForm();
  if (!m) return Fail("main form not found");
  // A right click as the tray reports it: the release, then (version 3) the
  // context menu.
  PostMessageW(m, kTrayMessage, 1, WM_RBUTTONUP);
  PostMessageW(m, kTrayMessage, 1, WM_CONTEXTMENU);
  HWND popup = nullptr;
  for (DWORD start = GetTickCount(); !popup && GetTickCount() - start < kLimitMs;) {
    Sleep(20);
    popup = FindPopupMenu();
  }
  if (!popup) return Fail("tray menu did not open");
  // The menu's loop runs once it has painted the menu.
  if (!Settle(popup)) return Fail(kUnsettled);
  auto menu = reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0));
  int count = menu ? GetMenuItemCount(menu) : -1;
  Json j;
  j.Open('{').Key("ok").Bool(true);
  j.Key("readable").Bool(count >= 0);
  if (count >= 0) MenuItemsJson(j, menu);
  RectJson(j, "screen", popup, nullptr);
  if (a.size() < 2 || a[1] == "keep") {
    if (a.size() < 2) PostMessageW(popup, WM_KEYDOWN, VK_ESCAPE, 0);
    j.Close('}');
    Emit(j.Text());
    return;
  }
  wstring want = Wide(a[1]);
  int chosen = -1;
  for (int i = 0; i < count; ++i) {
    wchar_t buf[256] = {};
    GetMenuStringW(menu, static_cast<UINT>(i), buf, 255, MF_BYPOSITION);
    if (want == buf) chosen = i;
  }
  RECT r{};
  if (chosen >= 0 && GetMenuItemRect(nullptr, menu, static_cast<UINT>(chosen), &r)) {
    MouseClickAt((r.left + r.right) / 2, (r.top + r.bottom) / 2, popup);
    j.Key("picked").Str(string("mouse"));
  } else if (count < 0 && Mnemonic(want)) {
    // The menu loop translates the key stroke and picks the item with that access key.
    WORD vk = LOBYTE(VkKeyScanW(Mnemonic(want)));
    LPARAM lp = 1 | (static_cast<LPARAM>(MapVirtualKeyW(vk, 0)) << 16);
    PostMessageW(popup, WM_KEYDOWN, vk, lp);
    PostMessageW(popup, WM_KEYUP, vk, lp | (3u << 30));
    j.Key("picked").Str(string("key"));
  } else {
    PostMessageW(popup, WM_KEYDOWN, VK_ESCAPE, 0);
    j.Close('}');
    Fail("no item " + a[1]);
    return;
  }
  j.Close('}');
  Emit(j.Text());
}

// close FORM [sc]: WM_CLOSE, or the system menu's Close.
void CmdClose(const vector<string>& a) {
  if (a.size() < 2) return Fail("usage: close FORM [sc]");
  HWND f = FindForm(Wide(a[1]));
  if (!f) return Fail("form not found: " + a[1]);
  if (a.size() > 2 && a[2] == "sc") PostMessageW(f, WM_SYSCOMMAND, SC_CLOSE, 0);
  else PostMessageW(f, WM_CLOSE, 0, 0);
  SettledOk(f);
}

// ---- a stand-in notification area ----
// Wine's explorer creates its tray together with the desktop and can neither
// be started later nor restarted. A window of the tray's class that is found
// before explorer's takes the program's tray calls instead: it refuses them
// (no notification area yet) or accepts and records them with their tips,
// and it announces a new taskbar the way a starting shell does.

struct TrayCall {
  DWORD message, id, flags;
  wstring tip;
  bool accepted;
};

// Wine's shell32 hands a tray call to the tray as WM_COPYDATA (dwData = the
// NIM_ message): window, id, flags and callback message, in newer Wine four
// words of icon size, then the tip as 128 UTF-16 characters.
TrayCall ReadTrayCall(const COPYDATASTRUCT& cds, bool accepted) {
  const auto* d = static_cast<const BYTE*>(cds.lpData);
  auto word = [&](size_t at) {
    DWORD v = 0;
    if (d && at + 4 <= cds.cbData) memcpy(&v, d + at, 4);
    return v;
  };
  DWORD w = word(16), h = word(20), planes = word(24), bpp = word(28);
  bool iconSize = (w | h | planes | bpp) == 0 ||
                  (w && w <= 256 && h && h <= 512 && planes == 1 && bpp && bpp <= 32);
  TrayCall call{static_cast<DWORD>(cds.dwData), word(4), word(8), {}, accepted};
  for (size_t at = iconSize ? 32 : 16, end = at + 256; at + 2 <= cds.cbData && at < end; at += 2) {
    wchar_t c;
    memcpy(&c, d + at, 2);
    if (!c) break;
    call.tip += c;
  }
  return call;
}

class StandInTray {
 public:
  StandInTray() { InitializeCriticalSection(&lock_); }

  HWND Start() {
    if (!hwnd_) {
      HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
      ready_ = ready;
      CloseHandle(CreateThread(nullptr, 0, &StandInTray::Run, this, 0, nullptr));
      WaitForSingleObject(ready, 10000);
      CloseHandle(ready);
    }
    // Shell_NotifyIcon sends to the first window of the class in z-order.
    if (hwnd_) SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return hwnd_;
  }
  void Accept(bool on) { InterlockedExchange(&accepting_, on ? 1 : 0); }
  // On the first NIM_MODIFY that comes while `status` reads `text`, a second
  // thread sends BM_CLICK to `button`, before the tray answers the call.
  void ClickDuringModify(HWND status, const wstring& text, HWND button) {
    EnterCriticalSection(&lock_);
    clickStatus_ = status;
    clickText_ = text;
    clickButton_ = button;
    clicked_ = false;
    LeaveCriticalSection(&lock_);
  }
  bool Clicked() {
    EnterCriticalSection(&lock_);
    bool c = clicked_;
    LeaveCriticalSection(&lock_);
    return c;
  }
  bool Accepting() { return InterlockedCompareExchange(&accepting_, 0, 0) != 0; }
  void SetOldShell(bool on) { InterlockedExchange(&oldShell_, on ? 1 : 0); }
  bool OldShell() { return InterlockedCompareExchange(&oldShell_, 0, 0) != 0; }
  vector<TrayCall> Calls() {
    EnterCriticalSection(&lock_);
    vector<TrayCall> copy = calls_;
    LeaveCriticalSection(&lock_);
    return copy;
  }

 private:
  static DWORD WINAPI Run(void* p) {
    auto* self = static_cast<StandInTray*>(p);
    WNDCLASSW wc{};
    wc.lpfnWndProc = &StandInTray::Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"Shell_TrayWnd";
    RegisterClassW(&wc);
    self->hwnd_ = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"Shell_TrayWnd", L"", WS_POPUP,
                                  0, 0, 0, 0, nullptr, nullptr, wc.hInstance, self);
    SetEvent(self->ready_);
    MSG m;
    while (GetMessageW(&m, nullptr, 0, 0) > 0) DispatchMessageW(&m);
    return 0;
  }
  static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
      SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(
                                              reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
    }
    auto* self = reinterpret_cast<StandInTray*>(GetWindowLongPtrW(h, GWLP_USERDATA));
    if (msg != WM_COPYDATA || !self) return DefWindowProcW(h, msg, wp, lp);
    // An old shell knows no NIM_SETVERSION.
    const auto* cds = reinterpret_cast<COPYDATASTRUCT*>(lp);
    bool accepted = self->Accepting() && !(self->OldShell() && cds->dwData == 4);
    EnterCriticalSection(&self->lock_);
    self->calls_.push_back(ReadTrayCall(*cds, accepted));
    HWND button = self->clickButton_;
    bool due = button && self->calls_.back().message == 1 && TextOf(self->clickStatus_) == self->clickText_;
    if (due) self->clickButton_ = nullptr;
    LeaveCriticalSection(&self->lock_);
    if (due) {
      // The program waits in its tray call: what the other thread sends
      // reaches it now, inside that call.
      HANDLE t = CreateThread(nullptr, 0, &StandInTray::SendClick, button, 0, nullptr);
      WaitForSingleObject(t, 10000);
      CloseHandle(t);
      EnterCriticalSection(&self->lock_);
      self->clicked_ = true;
      LeaveCriticalSection(&self->lock_);
    }
    return accepted;
  }
  static DWORD WINAPI SendClick(void* button) {
    SendMessageW(static_cast<HWND>(button), BM_CLICK, 0, 0);
    return 0;
  }

  CRITICAL_SECTION lock_;
  HWND hwnd_ = nullptr;
  HANDLE ready_ = nullptr;
  LONG accepting_ = 0, oldShell_ = 0;
  vector<TrayCall> calls_;
  HWND clickStatus_ = nullptr, clickButton_ = nullptr;
  wstring clickText_;
  bool clicked_ = false;
};

StandInTray& Tray() {
  static StandInTray tray;
  return tray;
}

// shell [refuse|restart|old|clickon STATUS TEXT BUTTON]: the stand-in tray.
// "refuse": a shell without a notification area; "restart": the notification
// area (re)appears and "TaskbarCreated" is broadcast; "old": the same with a
// shell that refuses NIM_SETVERSION; "clickon": see
// ClickDuringModify. Answers with the calls the tray received.
void CmdShell(const vector<string>& a) {
  string what = a.size() > 1 ? a[1] : "";
  HWND tray = Tray().Start();
  if (!tray) return Fail("stand-in tray not created");
  if (what == "clickon") {
    HWND status = a.size() > 4 ? FindControl(Wide(a[2])) : nullptr;
    HWND button = status ? FindControl(Wide(a[4])) : nullptr;
    if (!button) return Fail("usage: shell clickon STATUS TEXT BUTTON");
    Tray().ClickDuringModify(status, Wide(a[3]), button);
  }
  if (what == "refuse" || what == "restart" || what == "old") {
    Tray().Accept(what != "refuse");
    Tray().SetOldShell(what == "old");
  }
  if (what == "restart" || what == "old") {
    PostMessageW(HWND_BROADCAST, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  }
  Json j;
  j.Open('{').Key("ok").Bool(true);
  j.Key("first").Bool(FindWindowExW(nullptr, nullptr, L"Shell_TrayWnd", nullptr) == tray);
  j.Key("clicked").Bool(Tray().Clicked());
  j.Key("calls").Open('[');
  for (const TrayCall& c : Tray().Calls()) {
    j.Open('{').Key("message").Int(c.message).Key("id").Int(c.id).Key("flags").Int(c.flags);
    j.Key("tip").Str(c.tip).Key("accepted").Bool(c.accepted).Close('}');
  }
  j.Close(']').Close('}');
  Emit(j.Text());
}

// ---- DPI, pointer and the real tray icon ----

// dpichange FORM DPI: WM_DPICHANGED as the system sends it when the window
// moves to a monitor of that DPI; the suggested rectangle (kept at the
// window's corner) lives in the program's memory, as the system's would.
void CmdDpiChange(const vector<string>& a) {
  if (a.size() < 3) return Fail("usage: dpichange FORM DPI");
  HWND f = FindForm(Wide(a[1]));
  if (!f) return Fail("form not found: " + a[1]);
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

void MovePointer(int x, int y) {
  INPUT in{};
  int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
  in.type = INPUT_MOUSE;
  in.mi.dx = static_cast<LONG>((x * 65535LL + cx / 2) / (cx > 1 ? cx - 1 : 1));
  in.mi.dy = static_cast<LONG>((y * 65535LL + cy / 2) / (cy > 1 ? cy - 1 : 1));
  in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &in, sizeof in);
}

// sweep FORM: the real pointer across the whole client area, row by row,
// through every x of the tray's mouse messages (512 to 518) on each row.
// Where the window's own background lies under 515 or 517 (the double click
// and the right button's release), the driver waits until the program has
// handled that move; "exposed" counts those points.
void CmdSweep(const vector<string>& a) {
  HWND f = FindForm(Wide(a.size() > 1 ? a[1] : "frmMain"));
  if (!f) return Fail("form not found");
  {
    AttachedInput attach(f);
    SetForegroundWindow(f);
  }
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

BOOL CALLBACK CollectTrayIcons(HWND h, LPARAM p) {
  if (ClassOf(h) == L"__wine_tray_icon" && IsWindowVisible(h)) reinterpret_cast<vector<HWND>*>(p)->push_back(h);
  EnumChildWindows(h, CollectTrayIcons, p);
  return TRUE;
}

// trayicon right|double: a real click of the mouse on the icon Wine's
// taskbar shows for the program (the session's only one).
void CmdTrayIcon(const vector<string>& a) {
  vector<HWND> icons;
  EnumWindows(CollectTrayIcons, reinterpret_cast<LPARAM>(&icons));
  RECT r{};
  if (icons.empty()) {
    // Wine's taskbar draws its icons itself, from the right end of the
    // tray, each SM_CXSMICON plus a border of 2 pixels on each side wide.
    HWND tray = FindWindowW(L"Shell_TrayWnd", nullptr);
    if (!tray) return Fail("no tray");
    GetWindowRect(tray, &r);
    r.left = r.right - (GetSystemMetrics(SM_CXSMICON) + 4);
    icons.push_back(tray);
  } else {
    GetWindowRect(icons[0], &r);
  }
  int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
  if (a.size() > 1 && a[1] == "double") {
    MovePointer(x, y);
    Sleep(250);
    INPUT in[4] = {};
    for (int i = 0; i < 4; ++i) {
      in[i].type = INPUT_MOUSE;
      in[i].mi.dwFlags = i % 2 ? MOUSEEVENTF_LEFTUP : MOUSEEVENTF_LEFTDOWN;
    }
    HeldThread hold(icons[0]);
    SendInput(4, in, sizeof(INPUT));
  } else {
    MouseClickAt(x, y, icons[0], true);
  }
  Json j;
  j.Open('{').Key("ok").Bool(true).Key("icons").Int(static_cast<long long>(icons.size()));
  j.Key("at").Open('[').Int(x).Int(y).Close(']').Close('}');
  Emit(j.Text());
}

void CmdAlive(const vector<string>&) {
  vector<DWORD> pids = VesperaPids();
  Json j;
  j.Open('{').Key("ok").Bool(true).Key("running").Bool(!pids.empty()).Key("pids").Open('[');
  for (DWORD p : pids) j.Int(p);
  j.Close(']').Close('}');
  Emit(j.Text());
}

// windows: the top-level windows of the vespera processes.
void CmdWindows(const vector<string>&) {
  vector<DWORD> pids = VesperaPids();
  Json j;
  j.Open('{').Key("ok").Bool(true).Key("windows").Open('[');
  int count = 0, visible = 0;
  for (HWND h : TopWindows()) {
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    bool ours = false;
    for (DWORD p : pids) ours = ours || p == pid;
    if (!ours) continue;
    ++count;
    if (IsWindowVisible(h)) ++visible;
    j.Open('{');
    j.Key("pid").Int(pid);
    j.Key("class").Str(ClassOf(h));
    j.Key("name").Str(NameOf(h));
    j.Key("text").Str(TextOf(h));
    j.Key("visible").Bool(IsWindowVisible(h) != FALSE);
    j.Key("owner").Int(static_cast<long long>(reinterpret_cast<UINT_PTR>(GetWindow(h, GW_OWNER))));
    j.Key("exstyle").Int(static_cast<unsigned long>(GetWindowLongW(h, GWL_EXSTYLE)));
    j.Close('}');
  }
  j.Close(']').Key("count").Int(count).Key("visible").Int(visible).Close('}');
  Emit(j.Text());
}

// The window find() gives, once it exists; nullptr after timeoutArg (ms,
// 10000 when empty).
HWND WaitForWindow(HWND (*find)(), const string& timeoutArg) {
  DWORD timeout = static_cast<DWORD>(ToInt(timeoutArg, 10000));
  DWORD start = GetTickCount();
  HWND h = nullptr;
  while (!(h = find())) {
    if (GetTickCount() - start >= timeout) return nullptr;
    Sleep(50);
  }
  return h;
}

// closemenu [TIMEOUT_MS]: waits for an open popup menu and closes it with Esc.
void CmdCloseMenu(const vector<string>& a) {
  HWND popup = WaitForWindow(FindPopupMenu, a.size() > 1 ? a[1] : "");
  if (!popup) return Fail("no menu open");
  PostMessageW(popup, WM_KEYDOWN, VK_ESCAPE, 0);
  Ok();
}

// allwindows: every visible top-level window, whoever owns it.
void CmdAllWindows(const vector<string>&) {
  Json j;
  j.Open('{').Key("ok").Bool(true).Key("windows").Open('[');
  for (HWND h : TopWindows()) {
    if (!IsWindowVisible(h)) continue;
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    j.Open('{').Key("pid").Int(pid).Key("class").Str(ClassOf(h)).Key("text").Str(TextOf(h));
    RectJson(j, "screen", h, nullptr);
    j.Close('}');
  }
  j.Close(']').Close('}');
  Emit(j.Text());
}

void CmdFocused(const vector<string>& a) {
  HWND f = FindForm(Wide(a.size() > 1 ? a[1] : "frmMain"));
  if (!f) return Fail("form not found");
  HWND focus = FocusedWindow(f);
  Json j;
  j.Open('{').Key("ok").Bool(true);
  j.Key("focus").Str(NameOf(focus));
  j.Key("class").Str(focus ? ClassOf(focus) : wstring());
  j.Close('}');
  Emit(j.Text());
}

// msgbox [TIMEOUT]: wait for the program's message box and read it.
void CmdMsgBox(const vector<string>& a) {
  HWND box = WaitForWindow(FindMessageBox, a.size() > 1 ? a[1] : "");
  if (!box) return Fail("no message box");
  // Its texts are in place once it has painted.
  Settle(box);
  Json j;
  j.Open('{').Key("ok").Bool(true).Key("title").Str(TextOf(box));
  DWORD pid = 0;
  GetWindowThreadProcessId(box, &pid);
  j.Key("pid").Int(pid);
  j.Key("statics").Open('[');
  vector<HWND> kids = Descendants(box);
  for (HWND c : kids) {
    if (_wcsicmp(ClassOf(c).c_str(), L"Static") == 0 && !TextOf(c).empty()) j.Str(TextOf(c));
  }
  j.Close(']');
  j.Key("buttons").Open('[');
  for (HWND c : kids) {
    if (_wcsicmp(ClassOf(c).c_str(), L"Button") == 0) j.Str(TextOf(c));
  }
  j.Close(']');
  bool icon = false;
  for (HWND c : kids) {
    if (_wcsicmp(ClassOf(c).c_str(), L"Static") == 0 &&
        (GetWindowLongW(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
      icon = true;
    }
  }
  j.Key("icon").Bool(icon);
  j.Close('}');
  Emit(j.Text());
}

void CmdMsgBoxOk(const vector<string>&) {
  HWND box = FindMessageBox();
  if (!box) return Fail("no message box");
  HWND ok = GetDlgItem(box, IDOK);
  if (ok) PostMessageW(ok, BM_CLICK, 0, 0);
  else PostMessageW(box, WM_COMMAND, IDOK, 0);
  Ok();
}

// clock: the local time, and the ANSI code page of this session's locale.
void CmdClock(const vector<string>&) {
  Json j;
  j.Open('{').Key("ok").Bool(true).Key("acp").Int(GetACP());
  LocalNow(j);
  j.Close('}');
  Emit(j.Text());
}

// settle FORM: answers once the form's thread has handled everything queued
// before, its paint included (the form is drawn).
void CmdSettle(const vector<string>& a) {
  if (a.size() < 2) return Fail("usage: settle FORM");
  HWND f = FindForm(Wide(a[1]));
  if (!f) return Fail("form not found: " + a[1]);
  SettledOk(f);
}

void CmdSleep(const vector<string>& a) {
  Pump(static_cast<DWORD>(ToInt(a.size() > 1 ? a[1] : "", 100)));
  Ok();
}

bool Run(const vector<string>& a);

// The live-region events the program raised while a command waited.
struct WinEventSeen {
  wstring name, text;
  LONG object, child;
};
vector<WinEventSeen> winEvents;

void CALLBACK OnWinEvent(HWINEVENTHOOK, DWORD, HWND hwnd, LONG object, LONG child, DWORD, DWORD) {
  winEvents.push_back({NameOf(hwnd), TextOf(hwnd), object, child});
}

// liveregion COUNT TIMEOUT_MS [COMMAND ARGS...]: runs the command (its answer
// dropped), then waits until the program has raised COUNT live-region events
// (EVENT_OBJECT_LIVEREGIONCHANGED), or the time is up; reports each event's
// window, that window's text when the event arrived, its object and child.
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
  while (winEvents.size() < want && GetTickCount() - start < timeout) Pump(20);
  UnhookWinEvent(hook);
  Json j;
  j.Open('{').Key("ok").Bool(true).Key("events").Open('[');
  for (const WinEventSeen& e : winEvents) {
    j.Open('{').Key("name").Str(e.name).Key("text").Str(e.text);
    j.Key("object").Int(e.object).Key("child").Int(e.child).Close('}');
  }
  j.Close(']').Close('}');
  Emit(j.Text());
}

bool Run(const vector<string>& a) {
  if (a.empty()) return true;
  const string& c = a[0];
  if (c == "quit") return false;
  struct Entry {
    const char* name;
    void (*fn)(const vector<string>&);
  };
  static const Entry table[] = {
      {"wait", CmdWait},         {"waitgone", CmdWaitGone}, {"dump", CmdDump},
      {"get", CmdGet},           {"click", CmdClick},       {"select", CmdSelect},
      {"focus", CmdFocus},       {"type", CmdType},         {"key", CmdKey},
      {"setsel", CmdSetSel},     {"scroll", CmdScroll},     {"tray", CmdTray},
      {"traymenu", CmdTrayMenu}, {"close", CmdClose},       {"alive", CmdAlive},
      {"windows", CmdWindows},   {"allwindows", CmdAllWindows}, {"focused", CmdFocused},
      {"msgbox", CmdMsgBox},     {"msgboxok", CmdMsgBoxOk}, {"clock", CmdClock},
      {"sleep", CmdSleep},       {"shell", CmdShell},       {"dpichange", CmdDpiChange},
      {"sweep", CmdSweep},       {"trayicon", CmdTrayIcon}, {"settle", CmdSettle},
      {"liveregion", CmdLiveRegion}, {"closemenu", CmdCloseMenu},
  };
  for (const Entry& e : table) {
    if (c == e.name) {
      e.fn(a);
      return true;
    }
  }
  Fail("unknown command " + c);
  return true;
}

vector<string> SplitTabs(const string& line) {
  vector<string> out;
  size_t start = 0;
  for (;;) {
    size_t tab = line.find('\t', start);
    out.push_back(line.substr(start, tab == string::npos ? string::npos : tab - start));
    if (tab == string::npos) break;
    start = tab + 1;
  }
  return out;
}

bool ReadLine(string& line) {
  line.clear();
  HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
  char c;
  DWORD got = 0;
  while (ReadFile(in, &c, 1, &got, nullptr) && got == 1) {
    if (c == '\n') return true;
    if (c != '\r') line += c;
  }
  return !line.empty();
}

}  // namespace

int main() {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argc > 1) {
    vector<string> a;
    for (int i = 1; i < argc; ++i) a.push_back(Utf8(argv[i]));
    Run(a);
    return 0;
  }
  string line;
  while (ReadLine(line)) {
    if (!Run(SplitTabs(line))) break;
  }
  return 0;
}
