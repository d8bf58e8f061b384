#include <memory>
#include <utility>

#include "platform/win32/winapi_win32.h"
#include "ui/held_input.h"
#include "ui/win32/container.h"
#include "ui/win32/form.h"
#include "ui/win32/message_loop.h"
#include "ui/win32/waiting_calls.h"
#include "ui/win32/wide.h"
#include "ui/win32/win32_toolkit.h"

namespace ui::win32 {

bool PostDrain(void* shared) {
  HWND owner = static_cast<Shared*>(shared)->owner;
  // A full queue refuses the post.
  return owner != nullptr && PostMessageW(owner, kDrainMessage, 0, 0) != FALSE;
}

void RetryDrain(void* shared) {
  if (HWND owner = static_cast<Shared*>(shared)->owner) SetTimer(owner, kDrainRetryTimer, 100, nullptr);
}

Shared::~Shared() {
  for (const SizedIcon& i : icons) DestroyIcon(i.icon);
}

HICON Shared::Icon(int size) {
  for (const SizedIcon& i : icons) {
    if (i.size == size) return i.icon;
  }
  // The icon's frame nearest that size, scaled where none has it.
  auto icon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(iconId), IMAGE_ICON, size,
                                            size, LR_DEFAULTCOLOR));
  if (icon == nullptr) return LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
  icons.push_back({size, icon});
  return icon;
}

void AnnounceLabels(void* shared) {
  // Taken first: the event may bring handlers of its own, which announce anew.
  HWND label = std::exchange(static_cast<Shared*>(shared)->announce, nullptr);
  if (label != nullptr && IsWindow(label)) {
    platform::AnnounceLiveRegion(reinterpret_cast<platform::Handle>(label));
  }
}

namespace {

ATOM RegisterWindowClass(HINSTANCE instance, const wchar_t* name, WNDPROC proc) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.lpszClassName = name;
  ATOM atom = RegisterClassExW(&wc);
  if (atom == 0) atom = static_cast<ATOM>(GetClassInfoExW(instance, name, &wc));
  return atom;
}

int ScreenDpi() {
  HDC screen = GetDC(nullptr);
  int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

// The hidden owner: it handles the held shell notifications.
LRESULT CALLBACK OwnerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  const bool retry = msg == WM_TIMER && wParam == kDrainRetryTimer;
  if (!retry && msg != kDrainMessage) return DefWindowProcW(hwnd, msg, wParam, lParam);
  if (retry) KillTimer(hwnd, kDrainRetryTimer);
  if (auto* shared = reinterpret_cast<Shared*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA))) {
    if (retry) shared->gate.Retry();
    else shared->gate.Drain();
  }
  return 0;
}

static_assert(kWmSetText == WM_SETTEXT && kWmClose == WM_CLOSE && kWmNcLButtonDown == WM_NCLBUTTONDOWN &&
              kWmNcMButtonDblClk == WM_NCMBUTTONDBLCLK && kBmClick == BM_CLICK && kWmKeyFirst == WM_KEYFIRST &&
              kWmChar == WM_CHAR && kWmKeyLast == WM_KEYLAST && kWmCommand == WM_COMMAND &&
              kWmSysCommand == WM_SYSCOMMAND && kWmVScroll == WM_VSCROLL && kWmMouseMove == WM_MOUSEMOVE &&
              kWmLButtonDown == WM_LBUTTONDOWN && kWmMouseWheel == WM_MOUSEWHEEL &&
              kWmMouseLast == WM_MOUSELAST && kWmImeChar == WM_IME_CHAR,
              "the input tables name the window system's messages");

class Win32Toolkit final : public Toolkit {
 public:
  Win32Toolkit(HINSTANCE instance, int iconId)
      : shared_(std::make_unique<Shared>(instance, ScreenDpi())) {
    shared_->iconId = iconId;
  }

  ~Win32Toolkit() override {
    if (shared_->owner != nullptr) DestroyWindow(shared_->owner);
  }

  std::unique_ptr<Form> CreateForm(const FormDesign& design) override {
    if (shared_->owner == nullptr) CreateOwner();
    return std::make_unique<WinForm>(*shared_, design);
  }

  void MessageBox(const std::string& text, const std::string& title, MessageIcon) override {
    MessageBoxW(nullptr, Widen(text).c_str(), Widen(title).c_str(), MB_OK | MB_ICONINFORMATION);
  }

  void Beep() override { MessageBeep(MB_OK); }
  void WarningBeep() override { MessageBeep(MB_ICONEXCLAMATION); }

  void Run() override { RunMessageLoop(*shared_); }

  // Peeking first lets in what other threads send meanwhile; the gate holds
  // it, so the gate is asked last. A peek sees only the first message of
  // its range: one that is no command (a tray pointer move, of which only
  // the latest counts) is taken out to see what lies behind it.
  bool UserCommandWaiting() override {
    MSG msg;
    for (const InputRange& r : kInputRanges) {
      if (!r.commandWhenQueued) continue;
      while (PeekMessageWaiting(&msg, r.first, r.last, PM_NOREMOVE)) {
        if (CommandWhenQueued(msg.message, msg.lParam)) return true;
        PeekMessageWaiting(&msg, r.first, r.last, PM_REMOVE);
      }
    }
    return shared_->gate.CommandHeld();
  }

  void DiscardUserCommands() override {
    MSG msg;
    for (const InputRange& r : kInputRanges) {
      if (!r.commandWhenQueued) continue;
      while (PeekMessageWaiting(&msg, r.first, r.last, PM_REMOVE)) {}
    }
    shared_->gate.DiscardCommands();
  }

 private:
  // Only with the first form: a program that ends before it (a refused
  // second start) has had no window of any class, and the common controls
  // are initialised before the first one.
  void CreateOwner() {
    HINSTANCE instance = shared_->instance;
    shared_->formAtom = RegisterWindowClass(instance, kFormClass, &WinForm::WindowProc);
    RegisterWindowClass(instance, kOwnerClass, &OwnerProc);
    RegisterWindowClass(instance, kContainerClass, &ContainerImpl::WindowProc);
    shared_->owner = CreateWindowExW(0, kOwnerClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                     instance, nullptr);
    SetWindowLongPtrW(shared_->owner, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(shared_.get()));
    shared_->taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
  }

  std::unique_ptr<Shared> shared_;
};

}  // namespace

}  // namespace ui::win32

std::unique_ptr<ui::Toolkit> ui::MakeWin32Toolkit(void* hInstance, int iconResourceId) {
  return std::make_unique<win32::Win32Toolkit>(static_cast<HINSTANCE>(hInstance), iconResourceId);
}
