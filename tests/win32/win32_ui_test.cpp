// Checks of the Win32 backend that need a real window system (run it under
// Wine with a display). Input is posted as messages and pumped through the
// toolkit's own loop, so the keyboard handling runs as for the user.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#undef MessageBox

#include <algorithm>
#include <cstdio>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "ui/layout.h"
#include "ui/win32/win32_toolkit.h"

namespace {

int passed = 0, failed = 0;

template <class A, class B>
void Expect(const char* what, const A& seen, const B& wanted) {
  if (seen == wanted) {
    ++passed;
    return;
  }
  ++failed;
  std::printf("FAIL %s\n", what);
  if constexpr (std::is_same_v<A, std::string>) std::printf("  seen: %s\n", seen.c_str());
  if constexpr (std::is_same_v<A, std::vector<LONG>>) {
    for (const auto* v : {&seen, &wanted}) {
      std::printf(v == &seen ? "  seen:" : "  wanted:");
      for (LONG n : *v) std::printf(" %ld", n);
      std::printf("\n");
    }
  }
}

// Runs the toolkit's loop over everything posted so far.
void Pump(ui::Toolkit& kit) {
  PostQuitMessage(0);
  kit.Run();
}

HWND H(ui::Form& f) { return reinterpret_cast<HWND>(f.Hwnd()); }

std::wstring NameOf(HWND h) {
  auto atom = static_cast<ATOM>(reinterpret_cast<UINT_PTR>(GetPropW(h, L"VesperaName")));
  wchar_t buf[64] = {};
  UINT n = atom ? GlobalGetAtomNameW(atom, buf, 64) : 0;
  return std::wstring(buf, n);
}

std::wstring FocusName() {
  for (HWND h = GetFocus(); h != nullptr; h = GetParent(h)) {
    std::wstring n = NameOf(h);
    if (!n.empty()) return n;
  }
  return L"";
}

struct Search {
  const wchar_t* name;
  HWND found;
};

BOOL CALLBACK MatchName(HWND h, LPARAM p) {
  auto* s = reinterpret_cast<Search*>(p);
  if (NameOf(h) == s->name) s->found = h;
  return s->found == nullptr;
}

HWND FindChild(HWND form, const wchar_t* name) {
  Search s{name, nullptr};
  EnumChildWindows(form, &MatchName, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

// The main window's layout in small: a frame holding a panel with an option
// group and a number field with its spin control.
struct Window {
  std::unique_ptr<ui::Form> form;
  ui::Container* frame;
  ui::Container* pic;
  ui::OptionButton* opt0;
  ui::OptionButton* opt1;
  ui::TextBox* txt;
  ui::ScrollBar* vs;
  ui::TextBox* txtOff;
  ui::ComboBox* cmb;
  ui::CheckBox* chk;
  ui::Button* cmd;
  ui::Label* lbl;

  explicit Window(ui::Toolkit& kit, bool isMain = false) {
    form = kit.CreateForm({.name = "frmTest",
                           .caption = "测试",
                           .clientWidth = 3780,
                           .clientHeight = 4335,
                           .keyPreview = true,
                           .isMainWindow = isMain});
    ui::Form& f = *form;
    cmd = &f.AddButton({"cmd", nullptr, {180, 3660, 3435, 315}, 4, "激活定时(&E)", true});
    frame = &f.AddFrame({"frame", nullptr, {180, 180, 3435, 3315}, 8, " 设置", true});
    pic = &f.AddPanel({"pic", frame, {150, 930, 3075, 825}, 10, "", true});
    ui::OptionDesign o;
    static_cast<ui::ControlDesign&>(o) = {"opt(0)", pic, {30, 60, 675, 195}, 18, "之内", true};
    o.value = true;
    o.firstOfGroup = true;
    opt0 = &f.AddOption(o);
    static_cast<ui::ControlDesign&>(o) = {"opt(1)", pic, {30, 540, 675, 195}, 17, "于", true};
    o.value = false;
    o.firstOfGroup = false;
    opt1 = &f.AddOption(o);
    ui::TextBoxDesign t;
    static_cast<ui::ControlDesign&>(t) = {"txt", pic, {750, 0, 495, 315}, 20, "1", true};
    t.maxLength = 3;
    txt = &f.AddTextBox(t);
    static_cast<ui::ControlDesign&>(t) = {"txtOff", pic, {750, 480, 495, 315}, 14, "1", false};
    txtOff = &f.AddTextBox(t);
    ui::ScrollBarDesign s;
    static_cast<ui::ControlDesign&>(s) = {"vs", pic, {1230, 0, 165, 315}, 16, "", true};
    s.min = 999;
    s.max = 1;
    s.value = 1;
    vs = &f.AddScrollBar(s);
    ui::ComboBoxDesign c;
    static_cast<ui::ControlDesign&>(c) = {"cmb", frame, {900, 420, 2295, 315}, 0, "", true};
    c.items = {"关机", "重新启动"};
    cmb = &f.AddComboBox(c);
    ui::CheckBoxDesign k;
    static_cast<ui::ControlDesign&>(k) = {"chk", frame, {210, 1920, 3075, 255}, 1, "强制", true};
    k.value = 1;
    chk = &f.AddCheckBox(k);
    ui::LabelDesign l;
    static_cast<ui::ControlDesign&>(l) = {"lbl", nullptr, {0, 4140, 3795, 195}, 7, "定时禁止", true};
    lbl = &f.AddLabel(l);
  }
};

void TestNamesAndUnload(ui::Toolkit& kit) {
  Window w(kit);
  HWND form = H(*w.form);
  Expect("form name", NameOf(form), std::wstring(L"frmTest"));
  Expect("control name", NameOf(FindChild(form, L"txt")) == L"txt", true);
  Expect("distinct ids", GetDlgCtrlID(FindChild(form, L"txt")) !=
                             GetDlgCtrlID(FindChild(form, L"vs")), true);
  bool cancel = true;
  int unloads = 0;
  w.form->OnUnload = [&](bool& c) {
    ++unloads;
    c = cancel;
  };
  SendMessageW(form, WM_CLOSE, 0, 0);
  Expect("cancelled close keeps the window", w.form->Loaded(), true);
  cancel = false;
  w.form->Unload();
  Expect("close raised twice", unloads, 2);
  Expect("unloaded", w.form->Loaded(), false);
  Expect("window gone", IsWindow(form) != FALSE, false);
  Expect("calls after unload are harmless", w.txt->Text(), std::string());
}

void TestTextChangeNesting(ui::Toolkit& kit) {
  Window w(kit);
  HWND edit = FindChild(H(*w.form), L"txt");
  Expect("limit is maxLength", SendMessageW(edit, EM_GETLIMITTEXT, 0, 0), LRESULT{3});
  int depth = 0, deepest = 0, changes = 0;
  w.txt->OnChange = [&] {
    ++changes;
    ++depth;
    deepest = std::max(deepest, depth);
    if (w.txt->Text() == "1000") w.txt->SetText("999");
    --depth;
  };
  w.txt->SetText("1000");
  Expect("programmatic text is not limited, then clamped in a nested change", w.txt->Text(),
         std::string("999"));
  Expect("two changes", changes, 2);
  Expect("the second nested in the first", deepest, 2);
  w.txt->SetText("中文");
  Expect("UTF-8 round trip", w.txt->Text(), std::string("中文"));
}

void TestScrollBar(ui::Toolkit& kit) {
  Window w(kit);
  HWND bar = FindChild(H(*w.form), L"vs");
  HWND parent = GetParent(bar);
  int changes = 0;
  w.vs->OnChange = [&] { ++changes; };
  auto scroll = [&](WORD code, WORD pos = 0) {
    SendMessageW(parent, WM_VSCROLL, MAKEWPARAM(code, pos), reinterpret_cast<LPARAM>(bar));
  };
  Expect("range top end is min", GetScrollPos(bar, SB_CTL), 998);
  scroll(SB_LINEDOWN);
  Expect("down at the bottom end stays", w.vs->Value(), std::int16_t{1});
  Expect("no change at the end", changes, 0);
  scroll(SB_LINEUP);
  scroll(SB_PAGEUP);
  Expect("up raises the number when min > max", w.vs->Value(), std::int16_t{3});
  Expect("one change per step", changes, 2);
  scroll(SB_THUMBTRACK, 0);
  Expect("dragging leaves the value", w.vs->Value(), std::int16_t{3});
  scroll(SB_THUMBPOSITION, 0);
  Expect("release at the top sets min", w.vs->Value(), std::int16_t{999});
  scroll(SB_LINEUP);
  Expect("up at the top stays", w.vs->Value(), std::int16_t{999});
  changes = 0;
  w.vs->SetValue(999);
  w.vs->SetValue(5000);
  Expect("same or clamped-same value raises nothing", changes, 0);
  w.vs->SetValue(-7);
  Expect("clamped to the bottom", w.vs->Value(), std::int16_t{1});
  Expect("position follows", GetScrollPos(bar, SB_CTL), 998);
}

void TestKeyPreview(ui::Toolkit& kit) {
  Window w(kit);
  w.form->Show();
  std::string log;
  w.form->OnKeyPress = [&](std::int16_t& key) {
    log += 'F' + std::to_string(key) + ' ';
    if (key == 27) w.form->Hide();
    if (key == 'u') key = 'U';
  };
  w.txt->OnKeyPress = [&](std::int16_t& key) {
    log += 'T' + std::to_string(key) + ' ';
    if (key == 'x') key = 0;
  };
  HWND edit = FindChild(H(*w.form), L"txt");
  w.txt->SetText("");
  for (wchar_t c : std::wstring(L"5xu")) PostMessageW(edit, WM_CHAR, c, 1);
  PostMessageW(edit, WM_CHAR, 27, 1);
  Pump(kit);
  Expect("form first, then the text box", log, std::string("F53 T53 F120 T120 F117 T85 F27 T27 "));
  Expect("discarded and changed characters", w.txt->Text(), std::string("5U"));
  Expect("hidden by its own key handler", w.form->Visible(), false);
}

void TestTabOrderAndAccessKeys(ui::Toolkit& kit) {
  Window w(kit);
  w.form->SetFocus(*w.cmb);
  w.form->Show();
  SetActiveWindow(H(*w.form));
  ::SetFocus(FindChild(H(*w.form), L"cmb"));
  std::wstring seen;
  for (int i = 0; i < 7; ++i) {
    PostMessageW(GetFocus(), WM_KEYDOWN, VK_TAB, 1);
    Pump(kit);
    seen += FocusName() + L" ";
  }
  // Labels, frames, the disabled box and the unselected option are skipped.
  Expect("tab order by tabIndex across containers", seen,
         std::wstring(L"chk cmd vs opt(0) txt cmb chk "));
  int clicks = 0;
  w.cmd->OnClick = [&] {
    ++clicks;
    w.cmd->SetCaption("禁止定时器(&D)");
  };
  PostMessageW(GetFocus(), WM_SYSCHAR, 'e', 1 << 29);
  Pump(kit);
  PostMessageW(GetFocus(), WM_SYSCHAR, 'e', 1 << 29);
  Pump(kit);
  Expect("access key follows the caption", clicks, 1);
  PostMessageW(GetFocus(), WM_SYSCHAR, 'd', 1 << 29);
  Pump(kit);
  Expect("new access key", clicks, 2);

  ::SetFocus(FindChild(H(*w.form), L"txt"));
  w.frame->SetEnabled(false);
  Expect("focus leaves a disabled container", FocusName(), std::wstring(L"cmd"));
  PostMessageW(GetFocus(), WM_KEYDOWN, VK_TAB, 1);
  Pump(kit);
  Expect("nothing inside a disabled container takes the tab", FocusName(), std::wstring(L"cmd"));
  w.frame->SetEnabled(true);
  w.opt1->SetValue(true);
  Expect("one selected option per group", w.opt0->Value(), false);
}

void TestMouseAndTimers(ui::Toolkit& kit) {
  Window main(kit, true);
  double seenX = -1;
  int note = 0;
  main.form->OnMouseMove = [&](int, int, double x, double) { seenX = x; };
  main.form->OnTrayNote = [&](int message) { note = message; };
  SendMessageW(H(*main.form), WM_MOUSEMOVE, 0, 517);
  Expect("a pointer move is no tray note", note, 0);
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  Expect("a pointer move's x in twips", seenX, 517.0 * 1440 / dpi);
  seenX = -1;
  SendMessageW(H(*main.form), ui::kTrayMessage, 1, MAKELPARAM(515, 1));
  Expect("the mouse message of the tray's own message", note, 515);
  Expect("a tray note is no pointer move", seenX, -1.0);

  // A modal window closed by the owner's timer; ticks go on meanwhile.
  Window about(kit);
  ui::Timer& timer = main.form->AddTimer({"Timer", 50, false});
  int ticks = 0;
  bool ownerDisabled = false;
  timer.OnTimer = [&] {
    ownerDisabled = ownerDisabled || IsWindowEnabled(H(*main.form)) == FALSE;
    if (++ticks == 3) about.form->Unload();
  };
  main.form->SetTimerEnabled(timer, true);
  main.form->Show();
  about.form->ShowModal(*main.form);
  Expect("ticks during the modal window", ticks, 3);
  Expect("owner disabled while modal", ownerDisabled, true);
  Expect("owner enabled after", IsWindowEnabled(H(*main.form)) != FALSE, true);

  // The main window unloaded under its open popup menu ends the loop.
  ui::Menu& menu = main.form->AddPopupMenu("mnuPopup", "Popup");
  int chosen = 0;
  menu.AddItem("mnuExit", "退出(&X)").OnClick = [&] { ++chosen; };
  menu.AddItem("mnuSep", "-");
  timer.OnTimer = [&] { main.form->Unload(); };
  main.form->PopupMenu(menu);
  Expect("menu ended by the unload", chosen, 0);
  Expect("main window gone", main.form->Loaded(), false);
  kit.Run();  // returns at once: the main window's end posted WM_QUIT
  Expect("timer stopped with its window", main.form->TimerEnabled(timer), false);
}

BOOL CALLBACK CountWindow(HWND, LPARAM count) {
  ++*reinterpret_cast<int*>(count);
  return TRUE;
}

void TestNoWindowBeforeTheFirstForm(ui::Toolkit&) {
  int windows = 0;
  EnumThreadWindows(GetCurrentThreadId(), &CountWindow, reinterpret_cast<LPARAM>(&windows));
  Expect("no window of any class before the first form", windows, 0);
}

// Characters sent straight to the edit, as on-screen keyboards and input
// methods deliver them, pass the window's preview and the box's filter too.
void TestCharactersByEveryPath(ui::Toolkit& kit) {
  Window w(kit);
  w.form->Show();
  w.form->OnKeyPress = [&](std::int16_t& key) {
    if (key == 27) w.form->Hide();
  };
  w.txt->OnKeyPress = [](std::int16_t& key) {
    if (key < '0' || key > '9') key = 0;
  };
  HWND edit = FindChild(H(*w.form), L"txt");
  SendMessageW(edit, EM_SETSEL, 1, 1);
  for (auto [msg, ch] : {std::pair{WM_CHAR, L'a'}, std::pair{WM_IME_CHAR, L'\u4E2D'},
                         std::pair{WM_CHAR, L'\uFF15'}, std::pair{WM_IME_CHAR, L'2'}}) {
    SendMessageW(edit, msg, ch, 1);
  }
  Pump(kit);  // the default handling of WM_IME_CHAR posts a WM_CHAR
  Expect("only the digit got in", w.txt->Text(), std::string("12"));
  using GetContext = HANDLE(WINAPI*)(HWND);
  auto get = reinterpret_cast<GetContext>(
      reinterpret_cast<void (*)()>(GetProcAddress(LoadLibraryW(L"imm32.dll"), "ImmGetContext")));
  Expect("no input method on the box", get != nullptr && get(edit) == nullptr, true);
  SendMessageW(edit, WM_CHAR, 27, 1);
  Expect("Escape sent to the box reaches the window's preview", w.form->Visible(), false);
}

// What the shell sends while a tick waits on a tray call is handled after
// the tick; a tick never runs inside another.
void TestTickRunsToItsEnd(ui::Toolkit& kit) {
  Window w(kit);
  ui::Timer& timer = w.form->AddTimer({"Timer", 20, false});
  std::string log;
  w.form->OnTrayNote = [&](int message) { log += "note " + std::to_string(message) + " "; };
  timer.OnTimer = [&] {
    log += "tick ";
    HWND form = H(*w.form);
    SendMessageW(form, ui::kTrayMessage, 1, 517);
    SendMessageW(form, WM_TIMER, 1, 0);
    log += "end ";
    w.form->SetTimerEnabled(timer, false);
    PostQuitMessage(0);
  };
  w.form->SetTimerEnabled(timer, true);
  kit.Run();
  Expect("notification after the tick, no nested tick", log, std::string("tick end note 517 "));
}

// Another thread's message, once go is set (nullptr: at once).
struct Sender {
  HWND form;
  HANDLE go;
  UINT message = ui::kTrayMessage;
  LPARAM lParam = 517;
  bool notify = false;  // SendNotifyMessage, which returns at once
};

DWORD WINAPI Send(LPVOID p) {
  auto* s = static_cast<Sender*>(p);
  if (s->go != nullptr) WaitForSingleObject(s->go, INFINITE);
  if (s->notify) SendNotifyMessageW(s->form, s->message, 1, s->lParam);
  else SendMessageW(s->form, s->message, 1, s->lParam);
  return 0;
}

// A notification held during a tick inside the open menu is handled by a
// message of the toolkit's own: the menu's loop does not take it for its own
// mouse move, and one the shell sends later does not overtake it.
void TestHeldNotificationsInsideAMenu(ui::Toolkit& kit) {
  Window w(kit);
  ui::Timer& timer = w.form->AddTimer({"Timer", 20, false});
  ui::Menu& menu = w.form->AddPopupMenu("mnuTest", "Popup");
  menu.AddItem("mnuA", "A");
  Sender sender{H(*w.form), CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  HANDLE thread = CreateThread(nullptr, 0, &Send, &sender, 0, nullptr);
  std::string log;
  int ticks = 0, handled = 0;
  w.form->OnTrayNote = [&](int message) {
    log += std::to_string(message) + " ";
    if (++handled == 2) EndMenu();
  };
  timer.OnTimer = [&] {
    if (++ticks == 1) {
      SendMessageW(H(*w.form), ui::kTrayMessage, 1, 515);
      log += "tick ";
      // The other thread's message waits for this one's loop.
      SetEvent(sender.go);
      while ((HIWORD(GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE) == 0) Sleep(1);
    } else if (ticks > 100) {
      EndMenu();  // a notification was lost
    }
  };
  w.form->SetTimerEnabled(timer, true);
  w.form->Show();
  w.form->PopupMenu(menu);
  w.form->SetTimerEnabled(timer, false);
  // Lets the other thread's message in, should it still wait.
  while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_SENDMESSAGE) != WAIT_OBJECT_0) {
    MSG m;
    PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE);
  }
  CloseHandle(thread);
  CloseHandle(sender.go);
  Expect("held, then handled in order inside the menu", log, std::string("tick 515 517 "));
}

// Queued tray moves are no command, a click behind them is. In a tick, a click
// sent while the waiting input is dropped goes with it, never run inside the
// tick; a notify-sent one while the tick looks for commands is held, and counts.
void TestSentInputDuringWaitingCalls(ui::Toolkit& kit) {
  Window w(kit);
  w.form->Show();
  HWND form = H(*w.form);
  kit.DiscardUserCommands();
  std::vector<bool> waiting;
  for (UINT last : {WM_MOUSEMOVE, WM_LBUTTONDBLCLK}) {
    for (UINT m : {UINT{WM_MOUSEMOVE}, UINT{WM_MOUSEMOVE}, last}) PostMessageW(form, ui::kTrayMessage, 1, m);
    waiting.push_back(kit.UserCommandWaiting());
  }
  HWND button = FindChild(form, L"cmd");
  Sender sent{button, nullptr, BM_CLICK, 0}, notified{button, nullptr, BM_CLICK, 0, true};
  HANDLE thread = nullptr;
  std::string log;
  w.cmd->OnClick = [&] { log += "click "; };
  ui::Timer& timer = w.form->AddTimer({"Timer", 20, true});
  timer.OnTimer = [&] {
    w.form->SetTimerEnabled(timer, false);
    log += "tick ";
    thread = CreateThread(nullptr, 0, &Send, &sent, 0, nullptr);
    while ((HIWORD(GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE) == 0) Sleep(1);
    kit.DiscardUserCommands();
    HANDLE other = CreateThread(nullptr, 0, &Send, &notified, 0, nullptr);
    WaitForSingleObject(other, INFINITE);
    CloseHandle(other);
    waiting.push_back(kit.UserCommandWaiting());
    log += "end ";
    PostQuitMessage(0);
  };
  kit.Run();
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  Expect("tray moves: none; a click behind them, a held notify-sent click: a command", waiting,
         std::vector<bool>{false, true, true});
  Expect("sent during the discard: dropped; notify-sent: held for the tick", log, std::string("tick end click "));
}

// A handler that another thread's click begins while the loop waits is the
// program's own code: what it sends itself (a caption) happens at once.
void TestOwnSendsOfAHandlerBegunInTheLoopsWait(ui::Toolkit& kit) {
  Window w(kit);
  w.form->Show();
  HWND button = FindChild(H(*w.form), L"cmd");
  Sender sent{button, nullptr, BM_CLICK, 0};
  char seen[16] = "";
  w.cmd->OnClick = [&] {
    w.cmd->SetCaption("set");
    GetWindowTextA(button, seen, sizeof seen);
    PostQuitMessage(0);
  };
  HANDLE thread = CreateThread(nullptr, 0, &Send, &sent, 0, nullptr);
  kit.Run();
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  Expect("the handler's own caption set at once", std::string(seen), std::string("set"));
}

// A DPI change (the window moved to another monitor) lays every control out
// again from the design, fonts included; the window keeps the suggested
// corner and its client area is the design at the new DPI.
void TestDpiChangeLaysTheWindowOutAgain(ui::Toolkit& kit) {
  Window w(kit);
  HWND form = H(*w.form);
  const struct {
    const wchar_t* name;
    RECT twips;  // left, top, width, height inside the container
    bool height;  // a drop-down list is as high as its open list
  } placed[] = {{L"cmd", {180, 3660, 3435, 315}, true},  {L"frame", {180, 180, 3435, 3315}, true},
                {L"pic", {150, 930, 3075, 825}, true},   {L"txt", {750, 0, 495, 315}, true},
                {L"vs", {1230, 0, 165, 315}, true},      {L"cmb", {900, 420, 2295, 315}, false},
                {L"chk", {210, 1920, 3075, 255}, true},  {L"lbl", {0, 4140, 3795, 195}, true}};
  for (int dpi : {120, 144, 168, 192, 240, 96}) {
    const std::string at = " at " + std::to_string(dpi);
    RECT suggested{40, 30, 50, 40};
    SendMessageW(form, 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(dpi, dpi),
                 reinterpret_cast<LPARAM>(&suggested));
    RECT client{}, frame{};
    GetClientRect(form, &client);
    GetWindowRect(form, &frame);
    using Pair = std::pair<LONG, LONG>;
    // The system keeps a window within its largest tracking size (the
    // screen's): a small test screen holds the design only at the lower DPIs.
    if (frame.bottom - frame.top < GetSystemMetrics(SM_CYMAXTRACK)) {
      Expect(("client area" + at).c_str(), Pair{client.right, client.bottom},
             Pair{MulDiv(3780, dpi, 1440), MulDiv(4335, dpi, 1440)});
    }
    Expect(("suggested corner kept" + at).c_str(), Pair{frame.left, frame.top}, Pair{40, 30});
    for (const auto& p : placed) {
      HWND c = FindChild(form, p.name);
      RECT r{};
      GetWindowRect(c, &r);
      MapWindowPoints(nullptr, GetParent(c), reinterpret_cast<POINT*>(&r), 2);
      const std::string what = std::string(p.name, p.name + wcslen(p.name)) + at;
      std::vector<LONG> want{MulDiv(p.twips.left, dpi, 1440), MulDiv(p.twips.top, dpi, 1440),
                             MulDiv(p.twips.right, dpi, 1440), p.height ? MulDiv(p.twips.bottom, dpi, 1440) : 0};
      if (p.name[0] == L'l') {
        // The status strip is lower than a line of its font: the layout rule
        // grows it inside the window.
        HDC dc = GetDC(c);
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(c, WM_GETFONT, 0, 0)));
        TEXTMETRICW tm{};
        GetTextMetricsW(dc, &tm);
        SelectObject(dc, old);
        ReleaseDC(c, dc);
        const ui::Rect fit = ui::FitLine({want[0], want[1], want[2], want[3]}, tm.tmHeight, client.bottom);
        want = {fit.left, fit.top, fit.width, fit.height};
      }
      Expect(("place of " + what).c_str(),
             std::vector<LONG>{r.left, r.top, r.right - r.left, p.height ? r.bottom - r.top : 0}, want);
      LOGFONTW font{};
      GetObjectW(reinterpret_cast<HFONT>(SendMessageW(c, WM_GETFONT, 0, 0)), sizeof font, &font);
      // Containers and scroll bars show no text.
      if (wcschr(L"fpv", p.name[0]) == nullptr) {
        Expect(("font of " + what).c_str(), font.lfHeight, static_cast<LONG>(-MulDiv(9, dpi, 72)));
      }
    }
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  auto kit = ui::MakeWin32Toolkit(instance, 1);
  const struct {
    const char* name;
    void (*run)(ui::Toolkit&);
  } groups[] = {{"no window before the first form", TestNoWindowBeforeTheFirstForm},
                {"names and unload", TestNamesAndUnload},
                {"text change nesting", TestTextChangeNesting},
                {"scroll bar", TestScrollBar},
                {"key preview", TestKeyPreview},
                {"tab order and access keys", TestTabOrderAndAccessKeys},
                {"characters by every path", TestCharactersByEveryPath},
                {"a tick runs to its end", TestTickRunsToItsEnd},
                {"held notifications inside a menu", TestHeldNotificationsInsideAMenu},
                {"sent input during waiting calls", TestSentInputDuringWaitingCalls},
                {"a handler begun in the loop's wait", TestOwnSendsOfAHandlerBegunInTheLoopsWait},
                {"a DPI change lays the window out again", TestDpiChangeLaysTheWindowOutAgain},
                {"mouse and timers", TestMouseAndTimers}};
  for (const auto& g : groups) {
    // Progress goes out at once, so that a hang shows where it is.
    std::printf("-- %s\n", g.name);
    std::fflush(stdout);
    g.run(*kit);
  }
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}
