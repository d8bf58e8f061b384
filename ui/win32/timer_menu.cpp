#include "ui/win32/timer_menu.h"

#include "ui/win32/form.h"
#include "ui/win32/wide.h"

namespace ui::win32 {

bool TimerImpl::Enabled() const { return form_.TimerEnabled(*this); }

void TimerImpl::SetEnabled(bool enabled) { form_.SetTimerEnabled(*this, enabled); }

MenuImpl::MenuImpl(std::string name) : name_(std::move(name)), popup_(CreatePopupMenu()) {}

MenuImpl::~MenuImpl() {
  if (popup_ != nullptr) DestroyMenu(popup_);
}

MenuItem& MenuImpl::AddItem(const std::string& name, const std::string& caption) {
  items_.push_back(std::make_unique<MenuItemImpl>(name, caption));
  auto id = static_cast<UINT_PTR>(items_.size());
  if (caption == "-") AppendMenuW(popup_, MF_SEPARATOR, id, nullptr);
  else AppendMenuW(popup_, MF_STRING, id, Widen(caption).c_str());
  return *items_.back();
}

MenuItemImpl* MenuImpl::ItemOfCommand(UINT command) {
  if (command == 0 || command > items_.size()) return nullptr;
  return items_[command - 1].get();
}

}  // namespace ui::win32
