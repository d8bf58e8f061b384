#include "ui/win32/form.h"

#include <type_traits>

#include "platform/win32/winapi_win32.h"
#include "ui/win32/container.h"
#include "ui/win32/controls.h"
#include "ui/win32/message_loop.h"
#include "ui/win32/timer_menu.h"
#include "ui/win32/wide.h"

namespace ui::win32 {

namespace {
constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
DWORD ExStyle(const FormDesign& design) { return design.dialogBorder ? WS_EX_DLGMODALFRAME : 0; }
}  // namespace

WinForm::WinForm(Shared& shared, const FormDesign& design)
    : shared_(shared), design_(design), dpi_(shared.systemDpi) {
  // The hidden owner keeps the window off the taskbar.
  CreateWindowExW(ExStyle(design), kFormClass, Widen(design.caption).c_str(), kFormStyle,
                  CW_USEDEFAULT, CW_USEDEFAULT, 0, 0, shared.owner, nullptr, shared.instance, this);
  if (hwnd_ == nullptr) return;
  if (const unsigned dpi = platform::WindowDpi(Hwnd())) dpi_ = static_cast<int>(dpi);
  FitClientArea(0, 0, SWP_NOMOVE);
  SetIcons();
  if (design.isMainWindow) {
    // An elevated copy still hears the shell, which runs at a lower level.
    platform::AdmitMessage(Hwnd(), kTrayMessage);
    platform::AdmitMessage(Hwnd(), shared.taskbarCreated);
  }
  nameAtom_ = GlobalAddAtomW(Widen(design.name).c_str());
  SetPropW(hwnd_, kNameProp, reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(nameAtom_)));
}

WinForm::~WinForm() {
  if (hwnd_ != nullptr) DestroyWindow(hwnd_);
}

HWND WinForm::ParentWindowFor(const Container* container) const {
  for (const auto& c : controls_) {
    if (container != nullptr && &c->AsControl() == container) return c->Hwnd();
  }
  return hwnd_;
}

template <class T, class Design>
T& WinForm::Add(Kind kind, const Design& d) {
  std::unique_ptr<T> control;
  if constexpr (std::is_same_v<T, ContainerImpl>) {
    control = std::make_unique<T>(*this, kind, d);
  } else {
    (void)kind;
    control = std::make_unique<T>(*this, d);
  }
  T& ref = *control;
  controls_.push_back(std::move(control));
  return ref;
}

Container& WinForm::AddFrame(const ControlDesign& d) { return Add<ContainerImpl>(Kind::Frame, d); }
Container& WinForm::AddPanel(const ControlDesign& d) { return Add<ContainerImpl>(Kind::Panel, d); }
TextBox& WinForm::AddTextBox(const TextBoxDesign& d) { return Add<TextBoxImpl>(Kind::TextBox, d); }
ScrollBar& WinForm::AddScrollBar(const ScrollBarDesign& d) {
  return Add<ScrollBarImpl>(Kind::ScrollBar, d);
}
ComboBox& WinForm::AddComboBox(const ComboBoxDesign& d) {
  return Add<ComboBoxImpl>(Kind::ComboBox, d);
}
CheckBox& WinForm::AddCheckBox(const CheckBoxDesign& d) {
  return Add<CheckBoxImpl>(Kind::CheckBox, d);
}
Label& WinForm::AddLabel(const LabelDesign& d) { return Add<LabelImpl>(Kind::Label, d); }
Button& WinForm::AddButton(const ControlDesign& d) { return Add<ButtonImpl>(Kind::Button, d); }
Image& WinForm::AddIcon(const ControlDesign& d) { return Add<ImageImpl>(Kind::Image, d); }

OptionButton& WinForm::AddOption(const OptionDesign& d) {
  // Joins the last group of its container unless it starts a new one.
  int group = -1;
  for (size_t i = controls_.size(); i-- > 0 && !d.firstOfGroup;) {
    if (controls_[i]->GetKind() == Kind::Option && controls_[i]->Parent() == d.container) {
      group = GroupOf(*controls_[i]);
      break;
    }
  }
  OptionImpl& option = Add<OptionImpl>(Kind::Option, d);
  option.group = group >= 0 ? group : nextGroup_++;
  return option;
}

Timer& WinForm::AddTimer(const TimerDesign& d) {
  timers_.push_back(std::make_unique<TimerImpl>(*this, d, timers_.size() + 1));
  TimerImpl& timer = *timers_.back();
  if (d.enabled) SetTimerEnabled(timer, true);
  return timer;
}

Menu& WinForm::AddPopupMenu(const std::string& name, const std::string&) {
  menus_.push_back(std::make_unique<MenuImpl>(name));
  return *menus_.back();
}

// The timers and menus handed to a form are the ones this toolkit made.
void WinForm::SetTimerEnabled(Timer& timer, bool enabled) {
  auto* t = static_cast<TimerImpl*>(&timer);
  t->running = enabled && t->Interval() > 0 && hwnd_ != nullptr;
  // SetTimer on a running id restarts its interval.
  if (t->running) SetTimer(hwnd_, t->Id(), static_cast<UINT>(t->Interval()), nullptr);
  else if (hwnd_ != nullptr) KillTimer(hwnd_, t->Id());
}

bool WinForm::TimerEnabled(const Timer& timer) const {
  return static_cast<const TimerImpl&>(timer).running;
}

void WinForm::SetFocus(Control& control) {
  for (const auto& c : controls_) {
    if (&c->AsControl() != &control) continue;
    savedFocus_ = c->Hwnd();
    if (IsWindowVisible(hwnd_)) ::SetFocus(savedFocus_);
    else focusPending_ = true;
    return;
  }
}

void WinForm::FitClientArea(int left, int top, UINT flags) {
  const int width = Px(design_.clientWidth), height = Px(design_.clientHeight);
  RECT r{0, 0, width, height};
  if (!platform::AdjustWindowRectForDpi(&r, kFormStyle, ExStyle(design_), static_cast<unsigned>(dpi_))) {
    AdjustWindowRectEx(&r, kFormStyle, FALSE, ExStyle(design_));
  }
  flags |= SWP_NOZORDER | SWP_NOACTIVATE;
  SetWindowPos(hwnd_, nullptr, left, top, r.right - r.left, r.bottom - r.top, flags);
  // A frame drawn otherwise than computed (one that did not follow the DPI
  // change): the window grows or shrinks by what the client area is off.
  RECT c{};
  GetClientRect(hwnd_, &c);
  if (c.right != width || c.bottom != height) {
    SetWindowPos(hwnd_, nullptr, 0, 0, r.right - r.left + width - c.right,
                 r.bottom - r.top + height - c.bottom, flags | SWP_NOMOVE);
  }
}

void WinForm::SetIcons() {
  SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(IconFor(SM_CXICON)));
  SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(IconFor(SM_CXSMICON)));
}

void WinForm::OnDpiChanged(int dpi, const RECT& suggested) {
  dpi_ = dpi;
  FitClientArea(suggested.left, suggested.top, 0);
  for (const auto& c : controls_) c->ApplyDpi();
  SetIcons();
  InvalidateRect(hwnd_, nullptr, TRUE);
}

void WinForm::Center() {
  RECT r{};
  GetWindowRect(hwnd_, &r);
  int w = r.right - r.left, h = r.bottom - r.top;
  SetWindowPos(hwnd_, nullptr, (GetSystemMetrics(SM_CXSCREEN) - w) / 2,
               (GetSystemMetrics(SM_CYSCREEN) - h) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void WinForm::PrepareFirstShow() {
  if (shownOnce_) return;
  shownOnce_ = true;
  Center();
  // Access-key underlines and focus marks always show, as on a dialog.
  SendMessageW(hwnd_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEACCEL | UISF_HIDEFOCUS), 0);
}

void WinForm::Show() {
  if (hwnd_ == nullptr) return;
  PrepareFirstShow();
  // Restores a minimised window as well.
  ShowWindow(hwnd_, SW_SHOWNORMAL);
  if (focusPending_ && savedFocus_ != nullptr && GetActiveWindow() == hwnd_) {
    focusPending_ = false;
    ::SetFocus(savedFocus_);
  }
}

void WinForm::ShowModal(Form& owner) {
  if (hwnd_ == nullptr) return;
  HWND ownerWindow = reinterpret_cast<HWND>(owner.Hwnd());
  if (ownerWindow != nullptr) {
    SetWindowLongPtrW(hwnd_, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(ownerWindow));
    modalOwner_ = ownerWindow;
    EnableWindow(ownerWindow, FALSE);
  }
  Show();
  {
    HandlerGate::UserWait wait(shared_.gate);
    RunModalLoop(shared_, [this] { return hwnd_ == nullptr; });
  }
  if (ownerWindow != nullptr && IsWindow(ownerWindow)) EnableWindow(ownerWindow, TRUE);
}

void WinForm::Hide() {
  if (hwnd_ == nullptr) return;
  EndTopmost();
  ShowWindow(hwnd_, SW_HIDE);
}

void WinForm::SetTaskbarButton(bool shown) {
  // The taskbar gives a button to a window that has no owner, and looks at
  // a window when it is shown: a shown one is shown anew.
  HWND owner = shown ? nullptr : shared_.owner;
  if (hwnd_ == nullptr || GetWindow(hwnd_, GW_OWNER) == owner) return;
  const bool visible = Visible(), active = GetActiveWindow() == hwnd_;
  if (visible) ShowWindow(hwnd_, SW_HIDE);
  SetWindowLongPtrW(hwnd_, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
  if (visible) ShowWindow(hwnd_, active ? SW_SHOW : SW_SHOWNA);
}

void WinForm::Minimize() {
  if (hwnd_ == nullptr) return;
  EndTopmost();
  ShowWindow(hwnd_, SW_SHOWMINNOACTIVE);
}

bool WinForm::Minimized() const { return hwnd_ != nullptr && IsIconic(hwnd_) != FALSE; }

void WinForm::ShowInFront() {
  if (hwnd_ == nullptr) return;
  PrepareFirstShow();
  ShowWindow(hwnd_, SW_SHOWNOACTIVATE);  // restores a minimised window
  SetWindowPos(hwnd_, HWND_TOPMOST, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void WinForm::EndTopmost() {
  if (hwnd_ != nullptr) {
    SetWindowPos(hwnd_, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
}

bool WinForm::Visible() const { return hwnd_ != nullptr && IsWindowVisible(hwnd_) != FALSE; }

bool WinForm::Loaded() const { return hwnd_ != nullptr; }

void WinForm::Unload() {
  if (hwnd_ == nullptr) return;
  bool cancel = false;
  shared_.gate.Raise(OnUnload, cancel);
  if (cancel || hwnd_ == nullptr) return;
  // The owner must take input again before activation moves back to it.
  if (modalOwner_ != nullptr && IsWindow(modalOwner_)) EnableWindow(modalOwner_, TRUE);
  DestroyWindow(hwnd_);
}

Handle WinForm::Hwnd() const { return reinterpret_cast<Handle>(hwnd_); }
Handle WinForm::IconHandle() const {
  return reinterpret_cast<Handle>(shared_.Icon(GetSystemMetrics(SM_CXSMICON)));
}

bool WinForm::PopupMenu(Menu& menu, const Rect* beside) {
  auto* m = static_cast<MenuImpl*>(&menu);
  if (hwnd_ == nullptr) return false;
  POINT at{};
  GetCursorPos(&at);
  UINT flags = TPM_LEFTALIGN | TPM_LEFTBUTTON | TPM_RETURNCMD;
  TPMPARAMS params{sizeof params, {}};
  if (beside != nullptr) {
    // Above the rectangle, or below it where there is no room above.
    at = {beside->left, beside->top};
    params.rcExclude = {at.x, at.y, at.x + beside->width, at.y + beside->height};
    flags |= TPM_BOTTOMALIGN | TPM_VERTICAL;
  }
  UINT command = 0;
  {
    HandlerGate::UserWait wait(shared_.gate);
    ++menuDepth_;
    command = static_cast<UINT>(TrackPopupMenuEx(m->Handle(), flags, at.x, at.y, hwnd_,
                                                 beside != nullptr ? &params : nullptr));
    --menuDepth_;
  }
  // Lets the menu close properly when it was opened for a tray icon.
  if (hwnd_ != nullptr) PostMessageW(hwnd_, WM_NULL, 0, 0);
  MenuItemImpl* item = m->ItemOfCommand(command);
  if (item != nullptr) shared_.gate.Raise(item->OnClick);
  return item != nullptr;
}

HBRUSH WinForm::BackgroundBrush() const {
  return design_.whiteBackground ? static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH))
                                 : GetSysColorBrush(COLOR_BTNFACE);
}

COLORREF WinForm::BackgroundColor() const {
  return design_.whiteBackground ? RGB(255, 255, 255) : GetSysColor(COLOR_BTNFACE);
}

ControlBase* WinForm::ControlOf(HWND hwnd) const {
  for (; hwnd != nullptr && hwnd != hwnd_; hwnd = GetParent(hwnd)) {
    for (const auto& c : controls_) {
      if (c->Hwnd() == hwnd) return c.get();
    }
  }
  return nullptr;
}

bool WinForm::EffectivelyEnabled(HWND hwnd) const {
  for (; hwnd != nullptr && hwnd != hwnd_; hwnd = GetParent(hwnd)) {
    if (!IsWindowEnabled(hwnd)) return false;
  }
  return hwnd != nullptr;
}

int WinForm::GroupOf(const ControlBase& option) const {
  return option.GetKind() == Kind::Option ? static_cast<const OptionImpl&>(option).group : -1;
}

void WinForm::SelectOption(ControlBase& option) {
  int group = GroupOf(option);
  for (const auto& c : controls_) {
    if (GroupOf(*c) != group) continue;
    SendMessageW(c->Hwnd(), BM_SETCHECK, c.get() == &option ? BST_CHECKED : BST_UNCHECKED, 0);
  }
}

WinForm* WinForm::FromWindow(const Shared& shared, HWND hwnd) {
  if (hwnd == nullptr || GetClassLongPtrW(hwnd, GCW_ATOM) != shared.formAtom) return nullptr;
  return reinterpret_cast<WinForm*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

}  // namespace ui::win32
