// Keyboard handling of a form, run by the message loop before dispatch:
// the window-wide tab order, option groups, access keys and key preview.
#include <algorithm>
#include <climits>

#include "ui/win32/controls.h"
#include "ui/win32/form.h"

namespace ui::win32 {

bool WinForm::IsTabStop(const ControlBase& c) const {
  switch (c.GetKind()) {
    case Kind::TextBox:
    case Kind::ScrollBar:
    case Kind::ComboBox:
    case Kind::CheckBox:
    case Kind::Button:
    case Kind::Option: break;
    // A link.
    case Kind::Label:
      if ((GetWindowLongW(c.Hwnd(), GWL_STYLE) & WS_TABSTOP) == 0) return false;
      break;
    default: return false;
  }
  HWND h = c.Hwnd();
  if (c.TabIndex() < 0 || h == nullptr || !IsWindowVisible(h) || !EffectivelyEnabled(h)) {
    return false;
  }
  if (c.GetKind() != Kind::Option) return true;
  // Of an option group only the selected button is a tab stop (all of
  // them while none is selected).
  if (SendMessageW(h, BM_GETCHECK, 0, 0) == BST_CHECKED) return true;
  int group = GroupOf(c);
  for (const auto& other : controls_) {
    if (other.get() != &c && other->GetKind() == Kind::Option && GroupOf(*other) == group &&
        SendMessageW(other->Hwnd(), BM_GETCHECK, 0, 0) == BST_CHECKED) {
      return false;
    }
  }
  return true;
}

std::vector<ControlBase*> WinForm::TabStops() const {
  // Each stop goes after those with a lower or equal tab index: equal
  // indexes keep the order the controls were added in.
  std::vector<ControlBase*> stops;
  for (const auto& c : controls_) {
    if (!IsTabStop(*c)) continue;
    auto at = std::upper_bound(stops.begin(), stops.end(), c->TabIndex(),
                               [](int index, const ControlBase* s) { return index < s->TabIndex(); });
    stops.insert(at, c.get());
  }
  return stops;
}

void WinForm::FocusControl(ControlBase& control) {
  ::SetFocus(control.Hwnd());
  if (control.GetKind() == Kind::TextBox) SendMessageW(control.Hwnd(), EM_SETSEL, 0, -1);
}

void WinForm::FocusNextAfter(int tabIndex) {
  std::vector<ControlBase*> stops = TabStops();
  if (stops.empty()) {
    if (hwnd_ != nullptr && IsWindowVisible(hwnd_)) ::SetFocus(hwnd_);
    return;
  }
  auto next = std::find_if(stops.begin(), stops.end(),
                           [tabIndex](const ControlBase* c) { return c->TabIndex() > tabIndex; });
  FocusControl(next != stops.end() ? **next : *stops.front());
}

bool WinForm::TabFrom(bool backward) {
  std::vector<ControlBase*> stops = TabStops();
  if (stops.empty()) return true;
  ControlBase* current = ControlOf(GetFocus());
  if (!backward) {
    FocusNextAfter(current != nullptr ? current->TabIndex() : -1);
    return true;
  }
  int from = current != nullptr ? current->TabIndex() : INT_MAX;
  auto previous = std::find_if(stops.rbegin(), stops.rend(),
                               [from](const ControlBase* c) { return c->TabIndex() < from; });
  FocusControl(previous != stops.rend() ? **previous : *stops.back());
  return true;
}

bool WinForm::ArrowInGroup(HWND focus, bool backward) {
  ControlBase* current = ControlOf(focus);
  if (current == nullptr || current->GetKind() != Kind::Option) return false;
  int group = GroupOf(*current);
  std::vector<ControlBase*> members;
  for (const auto& c : controls_) {
    if (c->GetKind() == Kind::Option && GroupOf(*c) == group &&
        (c.get() == current || (IsWindowVisible(c->Hwnd()) && EffectivelyEnabled(c->Hwnd())))) {
      members.push_back(c.get());
    }
  }
  auto at = std::find(members.begin(), members.end(), current) - members.begin();
  auto count = static_cast<long>(members.size());
  ControlBase* next = members[static_cast<size_t>((at + (backward ? count - 1 : 1)) % count)];
  if (next != current) next->Activate();
  return true;
}

bool WinForm::AccessKey(wchar_t key) {
  wchar_t wanted = AccessKeyOf(std::wstring{L'&', key});
  if (wanted == 0) return false;
  for (const auto& c : controls_) {
    Kind kind = c->GetKind();
    if (kind != Kind::Button && kind != Kind::CheckBox && kind != Kind::Option &&
        kind != Kind::Label) {
      continue;
    }
    HWND h = c->Hwnd();
    if (h == nullptr || !IsWindowVisible(h) || !EffectivelyEnabled(h)) continue;
    int n = GetWindowTextLengthW(h);
    std::wstring caption(static_cast<size_t>(n) + 1, L'\0');
    caption.resize(static_cast<size_t>(std::max(0, GetWindowTextW(h, caption.data(), n + 1))));
    if (AccessKeyOf(caption) != wanted) continue;
    c->Activate();
    return true;
  }
  return false;
}

bool WinForm::PreviewChar(MSG& msg) {
  ControlBase* target = ControlOf(msg.hwnd);
  // A text box sees every character in its own window procedure, by
  // whatever path it comes.
  if (target != nullptr && target->GetKind() == Kind::TextBox) return false;
  auto key = static_cast<std::int16_t>(static_cast<std::uint16_t>(msg.wParam));
  if (!KeyPress(target, key) || !IsWindow(msg.hwnd)) return true;
  msg.wParam = static_cast<WPARAM>(static_cast<std::uint16_t>(key));
  return false;
}

bool WinForm::PreviewKeyDown(const MSG& msg) {
  auto keyCode = static_cast<std::int16_t>(msg.wParam);
  if (design_.keyPreview) shared_.gate.Raise(OnKeyDown, keyCode);
  return hwnd_ != nullptr;
}

bool WinForm::KeyPress(ControlBase* target, std::int16_t& key) {
  if (design_.keyPreview) {
    shared_.gate.Raise(OnKeyPress, key);
    if (key == 0) return false;
  }
  // The handler may have unloaded the window.
  if (hwnd_ == nullptr) return false;
  if (target != nullptr && target->GetKind() == Kind::TextBox) {
    shared_.gate.Raise(static_cast<TextBoxImpl*>(target)->OnKeyPress, key);
    if (key == 0 || target->Hwnd() == nullptr) return false;
  }
  return true;
}

}  // namespace ui::win32
