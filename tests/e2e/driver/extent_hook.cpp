// The measuring half of the driver's "extent" command: a library that the
// window system loads into the program's process for the driver's hook,
// since a control's font handle is good only in the process that made it.
// The text is measured as the control draws it: in its font, with its
// line-break rule, in the part of its client area it draws text in.
#include "vdriver.h"

using namespace vdriver;

namespace {

int DpiOf(HWND h, HDC dc) {
  using Fn = UINT(WINAPI*)(HWND);
  auto dpiForWindow = reinterpret_cast<Fn>(
      reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"user32"), "GetDpiForWindow")));
  UINT dpi = dpiForWindow ? dpiForWindow(h) : 0;
  return dpi ? static_cast<int>(dpi) : GetDeviceCaps(dc, LOGPIXELSX);
}

bool IsClass(HWND h, const wchar_t* name) {
  wchar_t cls[64] = {};
  GetClassNameW(h, cls, 64);
  return lstrcmpiW(cls, name) == 0;
}

// Where the control draws its text, and DrawText's rules for it there.
RECT TextRoom(HWND h, HDC dc, UINT& format) {
  LONG style = GetWindowLongW(h, GWL_STYLE);
  RECT room{};
  GetClientRect(h, &room);
  format = DT_SINGLELINE;
  if (IsClass(h, L"Static")) {
    if (!(style & SS_CENTERIMAGE)) format = DT_WORDBREAK | DT_EXPANDTABS;
    if (style & SS_NOPREFIX) format |= DT_NOPREFIX;
  } else if (IsClass(h, L"Edit")) {
    SendMessageW(h, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&room));
    format |= DT_NOPREFIX;
  } else if (IsClass(h, L"ComboBox")) {
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    if (GetComboBoxInfo(h, &info)) room = info.rcItem;
    format |= DT_NOPREFIX;
  } else if (IsClass(h, L"Button")) {
    LONG type = style & BS_TYPEMASK;
    if (style & BS_MULTILINE) format = DT_WORDBREAK;
    if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) {
      InflateRect(&room, -GetSystemMetrics(SM_CXEDGE), -GetSystemMetrics(SM_CYEDGE));
    } else if (type != BS_GROUPBOX) {
      // A check box or an option button: its box, then half a digit.
      INT digit = 0;
      GetCharWidth32W(dc, L'0', L'0', &digit);
      room.left += 12 * DpiOf(h, dc) / 96 + 1 + digit / 2;
    }
  }
  return room;
}

void Measure(HWND c, ExtentBlock& b) {
  wchar_t own[1024] = {};
  const wchar_t* text = b.ownText ? own : b.text;
  if (b.ownText) GetWindowTextW(c, own, 1024);
  HDC dc = GetDC(c);
  auto font = reinterpret_cast<HGDIOBJ>(SendMessageW(c, WM_GETFONT, 0, 0));
  HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(SYSTEM_FONT));
  UINT format = 0;
  RECT room = TextRoom(c, dc, format);
  RECT need{0, 0, room.right - room.left, 0};
  DrawTextW(dc, text, -1, &need, format | DT_CALCRECT);
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  LONG height = need.bottom - need.top;
  // An underline counts down to where it is drawn, below the last line's
  // baseline.
  OUTLINETEXTMETRICW otm{};
  if (tm.tmUnderlined && GetOutlineTextMetricsW(dc, sizeof otm, &otm)) {
    LONG under = tm.tmAscent - otm.otmsUnderscorePosition + (otm.otmsUnderscoreSize + 1) / 2;
    if (under > tm.tmHeight) height += under - tm.tmHeight;
  }
  SelectObject(dc, old);
  ReleaseDC(c, dc);
  b.singleLine = (format & DT_SINGLELINE) != 0;
  b.underlined = tm.tmUnderlined != 0;
  b.extent[0] = need.right - need.left;
  b.extent[1] = height;
  b.room[0] = room.right - room.left;
  b.room[1] = room.bottom - room.top;
  b.done = true;
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK ExtentHook(int code, WPARAM wParam, LPARAM lParam) {
  const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && call->message == RegisterWindowMessageW(kExtentMessage)) {
    if (HANDLE map = OpenFileMappingW(FILE_MAP_WRITE, FALSE, kExtentBlock)) {
      if (void* view = MapViewOfFile(map, FILE_MAP_WRITE, 0, 0, sizeof(ExtentBlock))) {
        Measure(call->hwnd, *static_cast<ExtentBlock*>(view));
        UnmapViewOfFile(view);
      }
      CloseHandle(map);
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}
