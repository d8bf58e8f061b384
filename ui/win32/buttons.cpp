// Push buttons, check boxes, option buttons and the icon image.
#include "ui/win32/controls.h"
#include "ui/win32/form.h"
#include "ui/win32/wide.h"

namespace ui::win32 {

namespace {

// Check boxes, option buttons and the icon sit on the window's own background.
HBRUSH FormBackground(WinForm& form, HDC dc) {
  SetBkColor(dc, form.BackgroundColor());
  return form.BackgroundBrush();
}

}  // namespace

ButtonImpl::ButtonImpl(WinForm& form, const ControlDesign& d) : Wrapped(form, Kind::Button, d) {
  Create(L"BUTTON", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, Widen(d.caption));
}

std::string ButtonImpl::Caption() const { return Narrow(WindowText()); }

void ButtonImpl::SetCaption(const std::string& caption) {
  SetWindowTextW(hwnd_, Widen(caption).c_str());
}

void ButtonImpl::OnCommand(WORD code) {
  if (code == BN_CLICKED) Gate().Raise(OnClick);
}

void ButtonImpl::Activate() {
  form_.FocusControl(*this);
  Gate().Raise(OnClick);
}

CheckBoxImpl::CheckBoxImpl(WinForm& form, const CheckBoxDesign& d)
    : Wrapped(form, Kind::CheckBox, d) {
  Create(L"BUTTON", WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 0, Widen(d.caption));
  SetValue(d.value);
}

int CheckBoxImpl::Value() const {
  auto state = SendMessageW(hwnd_, BM_GETCHECK, 0, 0);
  return state == BST_CHECKED ? 1 : state == BST_INDETERMINATE ? 2 : 0;
}

void CheckBoxImpl::SetValue(int value) {
  WPARAM state = value == 1 ? BST_CHECKED : value == 2 ? BST_INDETERMINATE : BST_UNCHECKED;
  SendMessageW(hwnd_, BM_SETCHECK, state, 0);
}

// BN_CLICKED comes after the automatic check box has changed its state.
void CheckBoxImpl::OnCommand(WORD code) {
  if (code == BN_CLICKED) Gate().Raise(OnClick);
}

HBRUSH CheckBoxImpl::OnColor(HDC dc) { return FormBackground(form_, dc); }

void CheckBoxImpl::Activate() {
  form_.FocusControl(*this);
  SetValue(Value() == 1 ? 0 : 1);
  Gate().Raise(OnClick);
}

OptionImpl::OptionImpl(WinForm& form, const OptionDesign& d) : Wrapped(form, Kind::Option, d) {
  Create(L"BUTTON", WS_VISIBLE | BS_AUTORADIOBUTTON | (d.firstOfGroup ? WS_GROUP : 0), 0,
         Widen(d.caption));
  SendMessageW(hwnd_, BM_SETCHECK, d.value ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool OptionImpl::Value() const { return SendMessageW(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void OptionImpl::SetValue(bool selected) {
  if (selected) form_.SelectOption(*this);
  else SendMessageW(hwnd_, BM_SETCHECK, BST_UNCHECKED, 0);
}

void OptionImpl::OnCommand(WORD code) {
  if (code != BN_CLICKED) return;
  // Focus arriving on an unselected radio button also reports a click:
  // make the selection match what the handler is told.
  form_.SelectOption(*this);
  Gate().Raise(OnClick);
}

HBRUSH OptionImpl::OnColor(HDC dc) { return FormBackground(form_, dc); }

void OptionImpl::Activate() {
  // Selected first: focus on a selected option reports no click.
  form_.SelectOption(*this);
  form_.FocusControl(*this);
  Gate().Raise(OnClick);
}

ImageImpl::ImageImpl(WinForm& form, const ControlDesign& d) : Wrapped(form, Kind::Image, d) {
  // SS_NOTIFY keeps clicks on the icon away from the window's background.
  Create(L"STATIC", WS_VISIBLE | SS_ICON | SS_NOTIFY, 0, L"");
  ApplyDpi();
}

// The icon's see-through pixels show the static's background: the window's.
HBRUSH ImageImpl::OnColor(HDC dc) { return FormBackground(form_, dc); }

void ImageImpl::ApplyDpi() {
  ControlBase::ApplyDpi();
  SendMessageW(hwnd_, STM_SETICON, reinterpret_cast<WPARAM>(form_.IconFor(SM_CXICON)), 0);
}

}  // namespace ui::win32
