// A stand-in notification area, and the tray's messages to the program.
// Wine's explorer creates its tray together with the desktop and can neither
// be started later nor restarted. A window of the tray's class that is found
// before explorer's takes the program's tray calls instead: it refuses them
// (no notification area yet) or accepts and records them with their tips,
// and it announces a new taskbar the way a starting shell does. As a shell
// does, it takes an add only of an icon it does not have, and the other
// calls only for one it has.

#include "vdriver.h"

#include <cstdlib>
#include <cstring>

namespace vdriver {

// The program's tray callback message (ui::kTrayMessage, WM_APP + 0x40).
const UINT kTrayMessage = 0x8040;

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
      Waiting(10000);
      CloseHandle(CreateThread(nullptr, 0, &StandInTray::Run, this, 0, nullptr));
      WaitForSingleObject(ready, 10000);
      CloseHandle(ready);
    }
    // Shell_NotifyIcon sends to the first window of the class in z-order.
    if (hwnd_) SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return hwnd_;
  }
  // A shell that starts or stops taking icons has none.
  void Accept(bool on) {
    InterlockedExchange(&accepting_, on ? 1 : 0);
    InterlockedExchange(&hasIcon_, 0);
  }
  // On the first NIM_MODIFY that comes while `status` reads `text`, a second
  // thread sends BM_CLICK to `button`, before the tray answers the call. With
  // `after` (a tick count), also on the first that the tray takes from then
  // on: a call begun before a deadline can end after it (the tray slow to
  // answer), and the program then goes on past its deadline with the text
  // before.
  void ClickDuringModify(HWND status, const wstring& text, HWND button, const DWORD* after) {
    EnterCriticalSection(&lock_);
    clickStatus_ = status;
    clickText_ = text;
    clickButton_ = button;
    clickAfter_ = after != nullptr;
    if (after) clickAfterTick_ = *after;
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
    const bool add = cds->dwData == 0, has = InterlockedCompareExchange(&self->hasIcon_, 0, 0) != 0;
    bool accepted = self->Accepting() && add != has && !(self->OldShell() && cds->dwData == 4);
    if (accepted && (add || cds->dwData == 2)) InterlockedExchange(&self->hasIcon_, add ? 1 : 0);
    EnterCriticalSection(&self->lock_);
    self->calls_.push_back(ReadTrayCall(*cds, accepted));
    HWND button = self->clickButton_;
    const bool late = self->clickAfter_ && static_cast<LONG>(GetTickCount() - self->clickAfterTick_) >= 0;
    bool due = button && self->calls_.back().message == 1 &&
               (late || TextOf(self->clickStatus_) == self->clickText_);
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
  LONG accepting_ = 0, oldShell_ = 0, hasIcon_ = 0;
  vector<TrayCall> calls_;
  HWND clickStatus_ = nullptr, clickButton_ = nullptr;
  wstring clickText_;
  bool clicked_ = false, clickAfter_ = false;
  DWORD clickAfterTick_ = 0;
};

StandInTray& Tray() {
  static StandInTray tray;
  return tray;
}

// shell [refuse|accept|restart|old|clickon STATUS TEXT BUTTON [TICK]]: the stand-in
// tray. "refuse": a shell without a notification area; "accept": it takes
// icons from now on, without a word; "restart": the notification area
// (re)appears and "TaskbarCreated" is broadcast; "old": the same with a
// shell that refuses NIM_SETVERSION; "clickon": see ClickDuringModify.
// Answers with the calls the tray received.
void CmdShell(const vector<string>& a) {
  string what = a.size() > 1 ? a[1] : "";
  HWND tray = Tray().Start();
  if (!tray) return Fail("stand-in tray not created");
  if (what == "clickon") {
    HWND status = a.size() > 4 ? FindControl(Wide(a[2])) : nullptr;
    HWND button = status ? FindControl(Wide(a[4])) : nullptr;
    if (!button) return Fail("usage: shell clickon STATUS TEXT BUTTON [TICK]");
    const DWORD after = a.size() > 5 ? static_cast<DWORD>(std::strtoul(a[5].c_str(), nullptr, 10)) : 0;
    Tray().ClickDuringModify(status, Wide(a[3]), button, a.size() > 5 ? &after : nullptr);
  }
  if (what == "refuse" || what == "accept" || what == "restart" || what == "old") {
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
  Waiting(kLimitMs);
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

// closemenu [TIMEOUT_MS]: waits for an open popup menu and closes it with Esc.
void CmdCloseMenu(const vector<string>& a) {
  HWND popup = WaitForWindow(FindPopupMenu, a.size() > 1 ? a[1] : "");
  if (!popup) return Fail("no menu open");
  PostMessageW(popup, WM_KEYDOWN, VK_ESCAPE, 0);
  Ok();
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
    PointerReached(x, y);
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

}  // namespace vdriver
