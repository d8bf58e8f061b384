#include <memory>
#include <utility>

#include "platform/win32/winapi_win32.h"
#include "ui/win32/container.h"
#include "ui/win32/form.h"
#include "ui/win32/message_loop.h"
#include "ui/win32/wide.h"
#include "ui/win32/win32_toolkit.h"

namespace ui::win32 {

bool PostDrain(void* shared) {
  HWND owner = static_cast<Shared*>(shared)->owner;
  return owner != nullptr && PostMessageW(owner, kDrainMessage, 0, 0) != FALSE;
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

HICON LoadProgramIcon(HINSTANCE instance, int id, int size) {
  return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size,
                                       LR_DEFAULTCOLOR));
}

int ScreenDpi(int index) {
  HDC screen = GetDC(nullptr);
  int dpi = GetDeviceCaps(screen, index);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

// The hidden owner: it handles the held shell notifications.
LRESULT CALLBACK OwnerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg != kDrainMessage) return DefWindowProcW(hwnd, msg, wParam, lParam);
  if (auto* shared = reinterpret_cast<Shared*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA))) {
    shared->gate.Drain();
  }
  return 0;
}

class Win32Toolkit final : public Toolkit {
 public:
  Win32Toolkit(HINSTANCE instance, int iconId)
      : shared_(std::make_unique<Shared>(instance, ScreenDpi(LOGPIXELSX), ScreenDpi(LOGPIXELSY))) {
    shared_->icon = LoadProgramIcon(instance, iconId, 32);
    shared_->smallIcon = LoadProgramIcon(instance, iconId, GetSystemMetrics(SM_CXSMICON));
    shared_->ownsIcons = shared_->icon != nullptr;
    if (shared_->icon == nullptr) {
      shared_->icon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
      shared_->smallIcon = shared_->icon;
    } else if (shared_->smallIcon == nullptr) {
      shared_->smallIcon = shared_->icon;
    }
  }

  ~Win32Toolkit() override {
    if (shared_->owner != nullptr) DestroyWindow(shared_->owner);
    if (shared_->ownsIcons) {
      if (shared_->smallIcon != shared_->icon) DestroyIcon(shared_->smallIcon);
      DestroyIcon(shared_->icon);
    }
  }

  std::unique_ptr<Form> CreateForm(const FormDesign& design) override {
    if (shared_->owner == nullptr) CreateOwner();
    return std::make_unique<WinForm>(*shared_, design);
  }

  void MessageBox(const std::string& text, const std::string& title, MessageIcon) override {
    MessageBoxW(nullptr, Widen(text).c_str(), Widen(title).c_str(), MB_OK | MB_ICONINFORMATION);
  }

  void Beep() override { MessageBeep(MB_OK); }

  void Run() override { RunMessageLoop(*shared_); }

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
