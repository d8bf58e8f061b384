// Reference for bench/startup: the bare window plus exactly the parts the
// program must have at start: the version-6 controls (manifest in
// floor.rc), InitCommonControls and Shell_NotifyIconA bound at run time, the
// main window's standard controls with the 宋体 9 pt font, one tray icon, and
// the start of `explorer <page>`.
#include <windows.h>

#include <shellapi.h>

#include "bare_window.h"

static void StartPage() {
  wchar_t path[MAX_PATH];
  UINT n = GetSystemWindowsDirectoryW(path, MAX_PATH);
  lstrcpyW(path + n, L"\\explorer.exe");
  wchar_t command[] = L"explorer http://vespera.example/index.php?from=app";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (CreateProcessW(path, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  }
}

struct Child {
  const wchar_t* cls;
  const wchar_t* text;
  DWORD style;
  DWORD exStyle;
  int x, y, w, h;
};

// The main window's controls, in pixels: a group box, a panel, a push
// button, two option buttons, two check boxes, four edit boxes, four
// vertical scroll bars, three drop-down lists and three labels.
static const Child kChildren[] = {
    {L"BUTTON", L"激活定时(&E)", WS_TABSTOP | BS_PUSHBUTTON, 0, 12, 244, 229, 21},
    {L"BUTTON", L" 设置", BS_GROUPBOX, 0, 12, 12, 229, 221},
    {L"STATIC", L"", 0, 0, 22, 74, 205, 55},
    {L"BUTTON", L"之内", BS_AUTORADIOBUTTON | WS_GROUP, 0, 24, 78, 45, 13},
    {L"EDIT", L"1", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, 72, 74, 33, 21},
    {L"SCROLLBAR", L"", WS_TABSTOP | SBS_VERT, 0, 104, 74, 11, 21},
    {L"COMBOBOX", L"", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0, 124, 74, 101, 200},
    {L"BUTTON", L"于", BS_AUTORADIOBUTTON, 0, 24, 110, 45, 13},
    {L"EDIT", L"1", WS_TABSTOP | ES_AUTOHSCROLL | WS_DISABLED, WS_EX_CLIENTEDGE, 72, 106, 33, 21},
    {L"SCROLLBAR", L"", WS_TABSTOP | SBS_VERT | WS_DISABLED, 0, 104, 106, 11, 21},
    {L"EDIT", L"00", WS_TABSTOP | ES_AUTOHSCROLL | WS_DISABLED, WS_EX_CLIENTEDGE, 124, 106, 33, 21},
    {L"SCROLLBAR", L"", WS_TABSTOP | SBS_VERT | WS_DISABLED, 0, 156, 106, 11, 21},
    {L"COMBOBOX", L"", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST | WS_DISABLED, 0, 176, 106, 49, 200},
    {L"STATIC", L"动作", 0, 0, 24, 44, 24, 12},
    {L"COMBOBOX", L"", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0, 72, 40, 153, 200},
    {L"BUTTON", L"强制终止进程", WS_TABSTOP | BS_AUTOCHECKBOX, 0, 26, 140, 205, 17},
    {L"BUTTON", L"图标闪动之前执行", WS_TABSTOP | BS_AUTOCHECKBOX, 0, 26, 168, 165, 17},
    {L"EDIT", L"30", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, 72, 196, 33, 21},
    {L"SCROLLBAR", L"", WS_TABSTOP | SBS_VERT, 0, 104, 196, 11, 21},
    {L"STATIC", L"秒", 0, 0, 124, 200, 12, 12},
    {L"STATIC", L"定时禁止", SS_CENTER, 0, 0, 276, 253, 13},
};

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  StartPage();
  HMODULE comctl = LoadLibraryA("comctl32");
  using InitFn = void(WINAPI*)();
  if (auto init = reinterpret_cast<InitFn>(GetProcAddress(comctl, "InitCommonControls"))) init();

  HWND w = CreateBareWindow(instance, L"bench-floor");
  HDC screen = GetDC(nullptr);
  HFONT font = CreateFontW(-MulDiv(9, GetDeviceCaps(screen, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL,
                           FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"宋体");
  ReleaseDC(nullptr, screen);
  for (const Child& c : kChildren) {
    HWND h = CreateWindowExW(c.exStyle, c.cls, c.text, WS_CHILD | WS_VISIBLE | c.style, c.x, c.y,
                             c.w, c.h, w, nullptr, instance, nullptr);
    SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (lstrcmpW(c.cls, L"COMBOBOX") == 0) {
      SendMessageW(h, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"关机"));
      SendMessageW(h, CB_SETCURSEL, 0, 0);
    }
  }

  HICON icon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, 32, 32, 0));
  HMODULE shell = LoadLibraryA("shell32");
  using NotifyFn = BOOL(WINAPI*)(DWORD, NOTIFYICONDATAA*);
  if (auto notify = reinterpret_cast<NotifyFn>(GetProcAddress(shell, "Shell_NotifyIconA"))) {
    NOTIFYICONDATAA nid{};
    nid.cbSize = sizeof nid;
    nid.hWnd = w;
    nid.uID = 1;
    nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    nid.uCallbackMessage = WM_MOUSEMOVE;
    nid.hIcon = icon;
    lstrcpyA(nid.szTip, "bench-floor");
    notify(NIM_ADD, &nid);
  }

  return ShowAndRun(w);
}
