// Finding the program's forms, controls and windows, and reading them.
// Controls and forms are found by the name the program attaches to each
// window as the "VesperaName" property (a global atom).

#include "vdriver.h"

#include "forms/status_texts.h"

#include <tlhelp32.h>

#include <cstring>
#include <cwchar>

namespace vdriver {

const wchar_t kNameProp[] = L"VesperaName";
const wchar_t kFormClass[] = L"VesperaForm";
const wchar_t kExeName[] = L"vespera.exe";

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
HWND FindControl(const wstring& what, HWND* formOut) {
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

// The form or control a command names in a[1], once a holds `need` fields;
// nullptr when it has answered with the usage or the missing window.
HWND FormArg(const vector<string>& a, size_t need, const char* usage) {
  if (a.size() < need) {
    Fail(usage);
    return nullptr;
  }
  HWND f = FindForm(Wide(a[1]));
  if (!f) Fail("form not found: " + a[1]);
  return f;
}

HWND ControlArg(const vector<string>& a, size_t need, const char* usage, HWND* formOut) {
  if (a.size() < need) {
    Fail(usage);
    return nullptr;
  }
  HWND c = FindControl(Wide(a[1]), formOut);
  if (!c) Fail("control not found: " + a[1]);
  return c;
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
  // A minimised window without an owner is on the taskbar.
  j.Key("iconic").Bool(IsIconic(f) != FALSE).Key("owned").Bool(GetWindow(f, GW_OWNER) != nullptr);
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

HWND WaitForm(const wstring& name, DWORD timeoutMs, bool wantVisible) {
  Waiting(timeoutMs);
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

HWND MainForm() { return FindForm(L"frmMain"); }

// The window find() gives, once it exists; nullptr after timeoutArg (ms,
// 10000 when empty).
HWND WaitForWindow(HWND (*find)(), const string& timeoutArg) {
  DWORD timeout = static_cast<DWORD>(ToInt(timeoutArg, 10000));
  Waiting(timeout);
  DWORD start = GetTickCount();
  HWND h = nullptr;
  while (!(h = find())) {
    if (GetTickCount() - start >= timeout) return nullptr;
    Sleep(50);
  }
  return h;
}

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
  Waiting(timeout);
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
  HWND f = FormArg(a, 2, "usage: dump FORM");
  if (!f) return;
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
  HWND form = nullptr;
  HWND c = ControlArg(a, 2, "usage: get CONTROL", &form);
  if (!c) return;
  Json j;
  j.Open('{').Key("ok").Bool(true).Key("control");
  ControlJson(j, c, form);
  j.Close('}');
  Emit(j.Text());
}

// extent CONTROL [TEXT]: the room the control's text needs, measured in
// the program as the control draws it (extent_hook.cpp), and the room it
// has there; TEXT, when given, is measured in place of its own.
void CmdExtent(const vector<string>& a) {
  HWND c = ControlArg(a, 2, "usage: extent CONTROL [TEXT]");
  if (!c) return;
  // The program's own directory comes first in the search for it.
  static HMODULE hook = LoadLibraryW(L"vdriver_hook.dll");
  auto proc = reinterpret_cast<HOOKPROC>(
      reinterpret_cast<void (*)()>(hook ? GetProcAddress(hook, "ExtentHook") : nullptr));
  HANDLE map = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(ExtentBlock),
                                  kExtentMessage);
  auto* b = static_cast<ExtentBlock*>(map ? MapViewOfFile(map, FILE_MAP_WRITE, 0, 0, 0) : nullptr);
  HHOOK h = b && proc ? SetWindowsHookExW(WH_CALLWNDPROC, proc, hook, GetWindowThreadProcessId(c, nullptr))
                      : nullptr;
  if (h) {
    *b = ExtentBlock{};
    b->ownText = a.size() < 3;
    Wide(a.size() < 3 ? "" : a[2]).copy(b->text, 1023);
    SendMessageW(c, RegisterWindowMessageW(kExtentMessage), 0, 0);
    UnhookWindowsHookEx(h);
    Json j;
    j.Open('{').Key("ok").Bool(b->done).Key("text").Str(wstring(b->text));
    j.Key("extent").Open('[').Int(b->extent[0]).Int(b->extent[1]).Close(']');
    j.Key("room").Open('[').Int(b->room[0]).Int(b->room[1]).Close(']').Close('}');
    Emit(j.Text());
  } else {
    Fail("cannot hook the program with vdriver_hook.dll");
  }
  if (b) UnmapViewOfFile(b);
  if (map) CloseHandle(map);
}

// statustexts ACTION...: every refusal and failure text the status line can
// show for these actions, from the program's own table.
void CmdStatusTexts(const vector<string>& a) {
  Json j;
  j.Open('{').Key("ok").Bool(true).Key("texts").Open('[');
  for (const string& t : status_texts::EveryText(vector<string>(a.begin() + 1, a.end()))) j.Str(t);
  j.Close(']').Close('}');
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

// allwindows: every visible top-level window, whoever owns it, and the
// foreground window.
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
  j.Close(']');
  HWND front = GetForegroundWindow();
  j.Key("foreground").Str(front ? ClassOf(front) + L" " + TextOf(front) : wstring());
  j.Close('}');
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

}  // namespace vdriver
