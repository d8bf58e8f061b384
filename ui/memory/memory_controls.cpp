#include "ui/memory/memory_toolkit.h"

#include <algorithm>

namespace ui::memory {

// --- Node ---

Node::Node(MemoryForm& form, const ControlDesign& d)
    : form_(form), parent_(dynamic_cast<Node*>(d.container)), rect_(d.rect), name_(d.name),
      enabled_(d.enabled) {}

bool Node::AcceptsInput() const {
  if (!form_.TakesInput()) return false;
  for (const Node* n = this; n != nullptr; n = n->parent_) {
    if (!n->enabled_) return false;
  }
  return true;
}

// --- Controls ---

MemTextBox::MemTextBox(MemoryForm& form, const TextBoxDesign& d)
    : Mem(form, d), maxLength(d.maxLength), text_(d.caption) {}

void MemTextBox::RaiseChange() { memory::RaiseChange(form_.Kit(), OnChange); }

void MemTextBox::SetText(const std::string& text) {
  text_ = text;
  // As the edit control does: the caret goes to the start.
  selStart = 0;
  selLength = 0;
  ++caret_.rewriting;
  RaiseChange();
  --caret_.rewriting;
  if (form_.Focus() == this) selStart = caret_.After(text_.size());
}

void MemTextBox::ReplaceSelection(const std::string& inserted, bool truncateToLimit) {
  const std::size_t start = std::min(selStart, text_.size());
  const std::size_t length = std::min(selLength, text_.size() - start);
  std::string piece = inserted;
  if (maxLength > 0) {
    const std::size_t room = static_cast<std::size_t>(maxLength) - std::min<std::size_t>(
        static_cast<std::size_t>(maxLength), text_.size() - length);
    if (piece.size() > room) {
      if (!truncateToLimit) return;  // the edit refuses the character
      piece.resize(room);
    }
  }
  const std::string before = text_;
  text_ = text_.substr(0, start) + piece + text_.substr(start + length);
  selStart = start + piece.size();
  selLength = 0;
  if (text_ == before) return;
  if (caret_.rewriting == 0) caret_.UserEdited(text_.size(), selStart);
  RaiseChange();
}

void MemTextBox::EditChar(std::int16_t key) {
  const std::string selected = text_.substr(std::min(selStart, text_.size()), selLength);
  switch (key) {
    case 8:  // Backspace: the selection, or the character before the caret
      if (selLength == 0 && selStart > 0) {
        --selStart;
        selLength = 1;
      }
      ReplaceSelection("", false);
      return;
    case 3:  // Ctrl+C
      if (!selected.empty()) form_.Kit().clipboard = selected;
      return;
    case 22:  // Ctrl+V
      ReplaceSelection(form_.Kit().clipboard, true);
      return;
    case 24:  // Ctrl+X
      if (selected.empty()) return;
      form_.Kit().clipboard = selected;
      ReplaceSelection("", false);
      return;
    case 13:  // Enter: a single-line edit has no use for it and beeps
      ++form_.Kit().beeps;
      return;
    default:
      if (key >= 32 && key < 127) ReplaceSelection(std::string(1, static_cast<char>(key)), false);
  }
}

void MemLabel::Announce() {
  auto& pending = form_.Kit().pendingAnnouncements;
  if (std::find(pending.begin(), pending.end(), this) == pending.end()) pending.push_back(this);
}

MemScrollBar::MemScrollBar(MemoryForm& form, const ScrollBarDesign& d)
    : Mem(form, d), min_(d.min), max_(d.max), value_(d.value) {}

void MemScrollBar::SetValue(std::int16_t value) {
  const std::int16_t low = std::min(min_, max_), high = std::max(min_, max_);
  value = std::clamp(value, low, high);
  if (value == value_) return;
  value_ = value;
  memory::RaiseChange(form_.Kit(), OnChange);
}

MemComboBox::MemComboBox(MemoryForm& form, const ComboBoxDesign& d) : Mem(form, d) {
  for (const auto& item : d.items) items_.push_back(item);
}

std::string MemComboBox::List(int index) const {
  if (index < 0 || index >= ListCount()) return {};
  return items_[static_cast<std::size_t>(index)];
}

void MemComboBox::SetListIndex(int index) {
  index_ = (index >= 0 && index < ListCount()) ? index : -1;
}

namespace {
ControlDesign Named(const std::string& name) {
  ControlDesign d;
  d.name = name;
  return d;
}
}  // namespace

MemTimer::MemTimer(MemoryForm& form, const TimerDesign& d) : Mem(form, Named(d.name)), interval_(d.interval) {}

MenuItem& MemMenu::AddItem(const std::string& name, const std::string& caption) {
  items_.push_back(std::make_unique<MemMenuItem>(name, caption));
  return *items_.back();
}

MenuItem* MemMenu::Find(const std::string& name) {
  for (auto& item : items_) {
    if (item->Name() == name) return item.get();
  }
  return nullptr;
}

}  // namespace ui::memory
