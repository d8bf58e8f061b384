// The measuring half of the driver's "extent" command, in a library that the
// window system loads into the program for the driver's hook: a control's
// font handle is good only in the process that made it. The text is measured
// as the control draws it: in its font, with its line-break rule, in the part
// of its client area that it draws text in.
#include "vdriver.h"

using namespace vdriver;

namespace {

bool Is(HWND h, const wchar_t* cls) {
  wchar_t name[16] = {};
  GetClassNameW(h, name, 16);
  return lstrcmpiW(name, cls) == 0;
}

void Measure(HWND c, ExtentBlock& b) {
  if (b.ownText) GetWindowTextW(c, b.text, 1024);
  HDC dc = GetDC(c);
  auto font = reinterpret_cast<HGDIOBJ>(SendMessageW(c, WM_GETFONT, 0, 0));
  HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(SYSTEM_FONT));
  const LONG style = GetWindowLongW(c, GWL_STYLE), type = style & BS_TYPEMASK;
  RECT room{};
  GetClientRect(c, &room);
  UINT format = DT_SINGLELINE | DT_NOPREFIX;
  COMBOBOXINFO list{};
  list.cbSize = sizeof list;
  INT digit = 0;
  if (Is(c, L"Static") && !(style & SS_CENTERIMAGE)) {
    format = DT_WORDBREAK | DT_EXPANDTABS | ((style & SS_NOPREFIX) ? DT_NOPREFIX : 0);
  } else if (Is(c, L"Edit")) {
    SendMessageW(c, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&room));
  } else if (Is(c, L"ComboBox") && GetComboBoxInfo(c, &list)) {
    room = list.rcItem;
  } else if (Is(c, L"Button")) {
    format = (style & BS_MULTILINE) ? DT_WORDBREAK : DT_SINGLELINE;
    if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) {
      InflateRect(&room, -GetSystemMetrics(SM_CXEDGE), -GetSystemMetrics(SM_CYEDGE));
    } else if (type != BS_GROUPBOX && GetCharWidth32W(dc, L'0', L'0', &digit)) {
      // A check box or an option button: its box, then half a digit.
      room.left += 12 * GetDeviceCaps(dc, LOGPIXELSY) / 96 + 1 + digit / 2;
    }
  }
  RECT need{0, 0, room.right - room.left, 0};
  DrawTextW(dc, b.text, -1, &need, format | DT_CALCRECT);
  // An underline counts down to where it is drawn.
  TEXTMETRICW tm{};
  OUTLINETEXTMETRICW otm{};
  GetTextMetricsW(dc, &tm);
  LONG under = tm.tmUnderlined && GetOutlineTextMetricsW(dc, sizeof otm, &otm)
                   ? tm.tmAscent - otm.otmsUnderscorePosition + (otm.otmsUnderscoreSize + 1) / 2 - tm.tmHeight
                   : 0;
  SelectObject(dc, old);
  ReleaseDC(c, dc);
  b.extent[0] = need.right - need.left;
  b.extent[1] = need.bottom - need.top + (under > 0 ? under : 0);
  b.room[0] = room.right - room.left;
  b.room[1] = room.bottom - room.top;
  b.done = true;
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK ExtentHook(int code, WPARAM wParam, LPARAM lParam) {
  const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
  HANDLE map = code == HC_ACTION && call->message == RegisterWindowMessageW(kExtentMessage)
                   ? OpenFileMappingW(FILE_MAP_WRITE, FALSE, kExtentMessage)
                   : nullptr;
  if (void* view = map ? MapViewOfFile(map, FILE_MAP_WRITE, 0, 0, sizeof(ExtentBlock)) : nullptr) {
    Measure(call->hwnd, *static_cast<ExtentBlock*>(view));
    UnmapViewOfFile(view);
  }
  if (map) CloseHandle(map);
  return CallNextHookEx(nullptr, code, wParam, lParam);
}
