#include "ui/win32/controls.h"
#include "ui/win32/form.h"
#include "ui/win32/wide.h"

namespace ui::win32 {

namespace {
constexpr int kVisibleEntries = 6;
}

ComboBoxImpl::ComboBoxImpl(WinForm& form, const ComboBoxDesign& d)
    : Wrapped(form, Kind::ComboBox, d) {
  Create(L"COMBOBOX", WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0, L"");
  for (const std::string& item : d.items) AddItem(item);
  FitList();
}

void ComboBoxImpl::ApplyDpi() {
  ControlBase::ApplyDpi();
  FitList();
}

void ComboBoxImpl::FitList() {
  RECT closed{};
  GetWindowRect(hwnd_, &closed);
  auto item = static_cast<int>(SendMessageW(hwnd_, CB_GETITEMHEIGHT, 0, 0));
  SetWindowPos(hwnd_, nullptr, 0, 0, closed.right - closed.left,
               (closed.bottom - closed.top) + kVisibleEntries * item + 2,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ComboBoxImpl::AddItem(const std::string& text) {
  SendMessageW(hwnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(text).c_str()));
}

int ComboBoxImpl::ListCount() const {
  auto n = static_cast<int>(SendMessageW(hwnd_, CB_GETCOUNT, 0, 0));
  return n < 0 ? 0 : n;
}

std::string ComboBoxImpl::List(int index) const {
  auto n = static_cast<int>(SendMessageW(hwnd_, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0));
  if (n <= 0) return {};
  std::wstring text(static_cast<size_t>(n) + 1, L'\0');
  n = static_cast<int>(SendMessageW(hwnd_, CB_GETLBTEXT, static_cast<WPARAM>(index),
                                    reinterpret_cast<LPARAM>(text.data())));
  text.resize(static_cast<size_t>(n < 0 ? 0 : n));
  return Narrow(text);
}

int ComboBoxImpl::ListIndex() const {
  auto i = static_cast<int>(SendMessageW(hwnd_, CB_GETCURSEL, 0, 0));
  return i < 0 ? -1 : i;
}

void ComboBoxImpl::SetListIndex(int index) {
  SendMessageW(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

bool ComboBoxImpl::DroppedDown() const { return SendMessageW(hwnd_, CB_GETDROPPEDSTATE, 0, 0) != 0; }

}  // namespace ui::win32
