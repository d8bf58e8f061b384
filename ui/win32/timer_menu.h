// Timers (WM_TIMER on the form) and the hidden popup menus.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ui/controls.h"
#include "ui/win32/win.h"

namespace ui::win32 {

class WinForm;

class TimerImpl final : public Timer {
 public:
  TimerImpl(WinForm& form, const TimerDesign& d, UINT_PTR id)
      : form_(form), name_(d.name), interval_(d.interval), id_(id) {}
  const std::string& Name() const override { return name_; }
  bool Enabled() const override;
  void SetEnabled(bool enabled) override;
  int Interval() const override { return interval_; }

  UINT_PTR Id() const { return id_; }
  bool running = false;

 private:
  WinForm& form_;
  std::string name_;
  int interval_;
  UINT_PTR id_;
};

class MenuItemImpl final : public MenuItem {
 public:
  MenuItemImpl(const std::string& name, const std::string& caption)
      : name_(name), caption_(caption) {}
  const std::string& Name() const override { return name_; }
  std::string Caption() const override { return caption_; }

 private:
  std::string name_;
  std::string caption_;
};

class MenuImpl final : public Menu {
 public:
  explicit MenuImpl(std::string name);
  ~MenuImpl() override;
  const std::string& Name() const override { return name_; }
  MenuItem& AddItem(const std::string& name, const std::string& caption) override;
  int ItemCount() const override { return static_cast<int>(items_.size()); }
  MenuItem& Item(int index) override { return *items_[static_cast<size_t>(index)]; }

  HMENU Handle() const { return popup_; }
  // Command ids are the item's position plus one (0: nothing chosen).
  MenuItemImpl* ItemOfCommand(UINT command);

 private:
  std::string name_;
  HMENU popup_;
  std::vector<std::unique_ptr<MenuItemImpl>> items_;
};

}  // namespace ui::win32
