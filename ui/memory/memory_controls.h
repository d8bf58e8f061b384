// The kinds of control held in memory, for tests: each keeps its state as
// the window system does; the user's actions on them are methods of
// MemoryForm (memory_toolkit.h).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ui/caret_rule.h"
#include "ui/controls.h"

namespace ui::memory {

class MemoryForm;

// What every control in memory shares: name, enabled state, container.
class Node {
 public:
  Node(MemoryForm& form, const ControlDesign& d);
  virtual ~Node() = default;
  Node* Parent() const { return parent_; }
  MemoryForm& Window() const { return form_; }
  const Rect& DesignRect() const { return rect_; }
  // The user can reach it: the window is shown and enabled, and the
  // control and every container around it are enabled.
  bool AcceptsInput() const;

 protected:
  MemoryForm& form_;
  Node* parent_;
  Rect rect_;
  std::string name_;
  bool enabled_;
};

template <class Base>
class Mem : public Base, public Node {
 public:
  Mem(MemoryForm& form, const ControlDesign& d) : Node(form, d) {}
  const std::string& Name() const override { return name_; }
  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool enabled) override { enabled_ = enabled; }
};

class MemTextBox : public Mem<TextBox> {
 public:
  MemTextBox(MemoryForm& form, const TextBoxDesign& d);
  std::string Text() const override { return text_; }
  void SetText(const std::string& text) override;
  std::size_t SelStart() const override { return selStart; }

  int maxLength = 0;
  std::size_t selStart = 0, selLength = 0;
  // Replaces the selection as the edit does, within the character limit.
  void ReplaceSelection(const std::string& inserted, bool truncateToLimit);
  void RaiseChange();
  // A character that reached the edit, handled as a single-line edit does.
  void EditChar(std::int16_t key);

 private:
  std::string text_;
  CaretRule caret_;
};

class MemScrollBar : public Mem<ScrollBar> {
 public:
  MemScrollBar(MemoryForm& form, const ScrollBarDesign& d);
  std::int16_t Value() const override { return value_; }
  void SetValue(std::int16_t value) override;
  std::int16_t Min() const override { return min_; }
  std::int16_t Max() const override { return max_; }

 private:
  std::int16_t min_, max_, value_;
};

class MemComboBox : public Mem<ComboBox> {
 public:
  MemComboBox(MemoryForm& form, const ComboBoxDesign& d);
  void AddItem(const std::string& text) override { items_.push_back(text); }
  int ListCount() const override { return static_cast<int>(items_.size()); }
  std::string List(int index) const override;
  int ListIndex() const override { return index_; }
  void SetListIndex(int index) override;
  bool DroppedDown() const override { return dropped; }

  bool dropped = false;

 private:
  std::vector<std::string> items_;
  int index_ = -1;
};

class MemCheckBox : public Mem<CheckBox> {
 public:
  MemCheckBox(MemoryForm& form, const CheckBoxDesign& d) : Mem(form, d), value_(d.value) {}
  int Value() const override { return value_; }
  void SetValue(int value) override { value_ = value; }

 private:
  int value_;
};

class MemOption : public Mem<OptionButton> {
 public:
  MemOption(MemoryForm& form, const OptionDesign& d) : Mem(form, d), value_(d.value) {}
  bool Value() const override { return value_; }
  void SetValue(bool selected) override { value_ = selected; }

 private:
  bool value_;
};

class MemLabel : public Mem<Label> {
 public:
  MemLabel(MemoryForm& form, const LabelDesign& d)
      : Mem(form, d), hidden(d.hidden), liveRegion(d.liveRegion), link(d.link), caption_(d.caption),
        font_(d.font) {}
  std::string Caption() const override { return caption_; }
  void SetCaption(const std::string& caption) override { caption_ = caption; }
  void SetFont(const Font& font) override { font_ = font; }
  Font GetFont() const override { return font_; }
  void Announce() override;

  const bool hidden;
  const bool liveRegion;
  const bool link;

 private:
  std::string caption_;
  Font font_;
};

class MemButton : public Mem<Button> {
 public:
  MemButton(MemoryForm& form, const ControlDesign& d) : Mem(form, d), caption_(d.caption) {}
  std::string Caption() const override { return caption_; }
  void SetCaption(const std::string& caption) override { caption_ = caption; }

 private:
  std::string caption_;
};

class MemContainer : public Mem<Container> {
 public:
  using Mem::Mem;
};

class MemImage : public Mem<Image> {
 public:
  using Mem::Mem;
};

class MemTimer : public Mem<Timer> {
 public:
  MemTimer(MemoryForm& form, const TimerDesign& d);
  int Interval() const override { return interval_; }

 private:
  int interval_;
};

class MemMenuItem : public MenuItem {
 public:
  MemMenuItem(std::string name, std::string caption) : name_(std::move(name)), caption_(std::move(caption)) {}
  const std::string& Name() const override { return name_; }
  std::string Caption() const override { return caption_; }

 private:
  std::string name_, caption_;
};

class MemMenu : public Menu {
 public:
  MemMenu(std::string name, std::string caption) : name_(std::move(name)), caption_(std::move(caption)) {}
  const std::string& Name() const override { return name_; }
  MenuItem& AddItem(const std::string& name, const std::string& caption) override;
  int ItemCount() const override { return static_cast<int>(items_.size()); }
  MenuItem& Item(int index) override { return *items_.at(static_cast<std::size_t>(index)); }
  MenuItem* Find(const std::string& name);

 private:
  std::string name_, caption_;
  std::vector<std::unique_ptr<MemMenuItem>> items_;
};

}  // namespace ui::memory
