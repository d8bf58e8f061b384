#include <algorithm>
#include <utility>

#include "ui/layout.h"
#include "ui/memory/memory_toolkit.h"

namespace ui::memory {

MemoryForm::MemoryForm(MemoryToolkit& toolkit, const FormDesign& design, Handle hwnd)
    : toolkit_(toolkit), design_(design), hwnd_(hwnd), dpi_(toolkit.dpi) {}

Rect MemoryForm::ClientPixels() const {
  return PixelRect({0, 0, design_.clientWidth, design_.clientHeight}, dpi_);
}

Control* MemoryForm::Find(const std::string& name) const {
  for (const auto& c : controls_) {
    if (c->Name() == name) return c.get();
  }
  return nullptr;
}

Rect MemoryForm::PixelsOf(const Control& control) const {
  const auto* node = dynamic_cast<const Node*>(&control);
  return node != nullptr ? PixelRect(node->DesignRect(), dpi_) : Rect{};
}

int MemoryForm::FontHeightOf(const Control& control) const {
  const auto* label = dynamic_cast<const Label*>(&control);
  return FontHeight(label != nullptr ? label->GetFont().points : Font{}.points, dpi_);
}

MemoryForm::~MemoryForm() {
  toolkit_.gate.Forget(this);
  toolkit_.Forget(this);
}

template <class F>
void MemoryForm::Dispatch(F&& handler) {
  {
    HandlerGate::Handler running(toolkit_.gate);
    handler();
  }
  if (!toolkit_.gate.Busy()) toolkit_.PumpPosted();
}

Timer& MemoryForm::AddTimer(const TimerDesign& d) {
  auto& timer = Add<MemTimer>(d);
  timers_[&timer] = d.enabled;
  return timer;
}

Menu& MemoryForm::AddPopupMenu(const std::string& name, const std::string& caption) {
  menus_.push_back(std::make_unique<MemMenu>(name, caption));
  return *menus_.back();
}

bool MemoryForm::TimerEnabled(const Timer& timer) const {
  auto it = timers_.find(&timer);
  return it != timers_.end() && it->second;
}

Handle MemoryForm::IconHandle() const { return MemoryToolkit::kIcon; }

void MemoryForm::Show() {
  if (loaded_) visible_ = true;
  minimized_ = false;
}

void MemoryForm::ShowInFront() {
  if (loaded_) visible_ = topmost_ = true;
  minimized_ = false;
}

void MemoryForm::Minimize() {
  if (loaded_) visible_ = minimized_ = true;
  topmost_ = false;
}

void MemoryForm::ShowModal(Form& owner) {
  // The window system would wait here until this window closes; in memory
  // what the test scripted for the wait happens, then the call returns and
  // the owner stays disabled while the window is still open.
  owner_ = dynamic_cast<MemoryForm*>(&owner);
  if (owner_ != nullptr) owner_->enabled_ = false;
  visible_ = true;
  toolkit_.WaitForUser(toolkit_.whileModal);
  // As a real loop does, look at this window again after the wait.
  if (!loaded_ && owner_ != nullptr) owner_->enabled_ = true;
}

void MemoryForm::Unload() {
  if (!loaded_) return;
  bool cancel = false;
  toolkit_.gate.Raise(OnUnload, cancel);
  if (!cancel) Destroy();
}

void MemoryForm::Destroy() {
  if (!loaded_) return;
  // Owned windows go with their owner, without a close request.
  for (MemoryForm* other : std::vector<MemoryForm*>(toolkit_.forms)) {
    if (other->owner_ == this) other->Destroy();
  }
  loaded_ = false;
  visible_ = false;
  toolkit_.gate.Forget(this);
  if (owner_ != nullptr) owner_->enabled_ = true;
  if (design_.isMainWindow) toolkit_.quit = true;
}

bool MemoryForm::PopupMenu(Menu& menu, const Rect* beside) {
  openedMenus.push_back(menu.Name());
  menuAnchors.push_back(beside != nullptr ? std::optional<Rect>(*beside) : std::nullopt);
  const std::string choice = std::exchange(nextMenuChoice, std::string());
  toolkit_.WaitForUser(toolkit_.whileMenu);
  // A window destroyed under its menu ends the menu with nothing chosen.
  if (!loaded_) return false;
  auto* mem = dynamic_cast<MemMenu*>(&menu);
  MenuItem* item = mem != nullptr && !choice.empty() ? mem->Find(choice) : nullptr;
  if (item == nullptr || item->Caption() == "-") return false;
  toolkit_.gate.Raise(item->OnClick);
  return true;
}

Control* MemoryForm::PreviousSibling(const Control& control) const {
  const auto* node = dynamic_cast<const Node*>(&control);
  Control* previous = nullptr;
  for (const auto& c : controls_) {
    if (c.get() == &control) return previous;
    // A timer has no window of its own.
    const auto* other = dynamic_cast<const Node*>(c.get());
    if (dynamic_cast<const Timer*>(c.get()) == nullptr && other->Parent() == node->Parent()) {
      previous = c.get();
    }
  }
  return nullptr;
}

bool MemoryForm::Reachable(Control& c) const {
  auto* node = dynamic_cast<Node*>(&c);
  return node != nullptr && node->AcceptsInput();
}

void MemoryForm::Type(std::int16_t key) {
  if (TakesInput()) Dispatch([&] { TypeNow(key); });
}

void MemoryForm::TypeNow(std::int16_t key) {
  // The key is bound for the focused box before the window previews it, so
  // the box gets it even when the preview hides the window.
  CharTo(focus_, key);
}

// A character for the focused control (none: the window alone) passes the
// window's key preview, then a box's filter and its edit; Enter or Space on
// a link clicks it.
void MemoryForm::CharTo(Control* target, std::int16_t key) {
  auto* box = dynamic_cast<MemTextBox*>(target);
  auto* link = dynamic_cast<MemLabel*>(target);
  const bool boxTakesIt = box != nullptr && box->AcceptsInput();
  const bool linkTakesIt = link != nullptr && link->link && link->AcceptsInput();
  if (design_.keyPreview && OnKeyPress) {
    OnKeyPress(key);
    if (key == 0) return;
  }
  if (linkTakesIt && (key == 13 || key == ' ')) toolkit_.gate.Raise(link->OnClick);
  if (!boxTakesIt) return;
  if (box->OnKeyPress) {
    box->OnKeyPress(key);
    if (key == 0) return;
  }
  box->EditChar(key);
}

void MemoryForm::TypeInto(TextBox& box, const std::string& ascii) {
  if (!Reachable(box)) return;
  focus_ = &box;
  for (char c : ascii) Type(static_cast<std::int16_t>(static_cast<unsigned char>(c)));
}

void MemoryForm::Paste(TextBox& box, const std::string& text) {
  auto* mem = dynamic_cast<MemTextBox*>(&box);
  if (mem == nullptr || !Reachable(box)) return;
  focus_ = &box;
  Dispatch([&] { mem->ReplaceSelection(text, true); });
}

void MemoryForm::PressDelete(TextBox& box) {
  auto* mem = dynamic_cast<MemTextBox*>(&box);
  if (mem == nullptr || !Reachable(box)) return;
  focus_ = &box;
  if (mem->selLength == 0) mem->selLength = mem->selStart < box.Text().size() ? 1 : 0;
  Dispatch([&] { mem->ReplaceSelection("", false); });
}

void MemoryForm::Select(TextBox& box, std::size_t start, std::size_t length) {
  auto* mem = dynamic_cast<MemTextBox*>(&box);
  if (mem == nullptr) return;
  const std::size_t size = box.Text().size();
  mem->selStart = std::min(start, size);
  mem->selLength = std::min(length, size - mem->selStart);
}

void MemoryForm::SelectAll(TextBox& box) { Select(box, 0, box.Text().size()); }

void MemoryForm::Click(Button& button) {
  if (Reachable(button)) Dispatch([&] { toolkit_.gate.Raise(button.OnClick); });
}

void MemoryForm::Click(CheckBox& box) {
  if (!Reachable(box)) return;
  box.SetValue(box.Value() == 0 ? 1 : 0);
  Dispatch([&] { toolkit_.gate.Raise(box.OnClick); });
}

void MemoryForm::Click(OptionButton& option) {
  auto* node = dynamic_cast<Node*>(&option);
  if (node == nullptr || !node->AcceptsInput()) return;
  // Option buttons of one container form one group.
  for (auto& c : controls_) {
    auto* other = dynamic_cast<MemOption*>(c.get());
    if (other != nullptr && other->Parent() == node->Parent()) other->SetValue(other == &option);
  }
  Dispatch([&] { toolkit_.gate.Raise(option.OnClick); });
}

void MemoryForm::Click(Label& label) {
  if (Reachable(label)) Dispatch([&] { toolkit_.gate.Raise(label.OnClick); });
}

void MemoryForm::MouseOver(Label& label) {
  if (Reachable(label)) Dispatch([&] { toolkit_.gate.Raise(label.OnMouseMove, 0, 0, 15.0, 15.0); });
}

void MemoryForm::Choose(ComboBox& list, int index) {
  if (!Reachable(list)) return;
  list.SetListIndex(index);
  dynamic_cast<MemComboBox&>(list).dropped = false;
}

void MemoryForm::DropDown(ComboBox& list) {
  if (!Reachable(list)) return;
  focus_ = &list;
  dynamic_cast<MemComboBox&>(list).dropped = true;
}

void MemoryForm::PressKey(std::int16_t keyCode) {
  if (!TakesInput()) return;
  Dispatch([&] {
    if (design_.keyPreview) toolkit_.gate.Raise(OnKeyDown, keyCode);
    auto* list = dynamic_cast<MemComboBox*>(focus_);
    if (list != nullptr && (keyCode == 27 || keyCode == 13)) list->dropped = false;
  });
  if (keyCode == 27 || keyCode == 13 || keyCode == 8) Type(keyCode);
}

namespace {
// One step of a spin control, stopping at its ends. Toward the top end goes
// toward Min, which may be the larger bound.
void Step(ScrollBar& bar, bool up) {
  const int towardTop = bar.Min() > bar.Max() ? 1 : -1;
  const int next = bar.Value() + (up ? towardTop : -towardTop);
  if (next <= std::max(bar.Min(), bar.Max()) && next >= std::min(bar.Min(), bar.Max())) {
    bar.SetValue(static_cast<std::int16_t>(next));
  }
}
}  // namespace

void MemoryForm::SpinUp(ScrollBar& bar) {
  if (Reachable(bar)) Dispatch([&] { Step(bar, true); });
}

void MemoryForm::SpinDown(ScrollBar& bar) {
  if (Reachable(bar)) Dispatch([&] { Step(bar, false); });
}

void MemoryForm::DragThumb(ScrollBar& bar, std::int16_t releasedAt) {
  // Nothing changes while the thumb moves; the value is set on release.
  if (Reachable(bar)) Dispatch([&] { bar.SetValue(releasedAt); });
}

void MemoryForm::ClickBackground() {
  if (TakesInput()) Dispatch([&] { toolkit_.gate.Raise(OnClick); });
}

void MemoryForm::MouseOverBackground(double x, double y) {
  if (TakesInput()) Dispatch([&] { toolkit_.gate.Raise(OnMouseMove, 0, 0, x, y); });
}

void MemoryForm::CloseButton() {
  if (TakesInput()) Dispatch([&] { Unload(); });
}

void MemoryForm::TrayNotify(int mouseMessage) {
  Arrive({this, 0, kTray, 0, mouseMessage, TrayNoteKind(mouseMessage)});
}

void MemoryForm::ShellRestart() { Arrive({this, 0, kRestart, 0, 0, Note::Kind::Restart}); }

void MemoryForm::SendClick(Button& button) {
  Arrive({this, reinterpret_cast<std::uintptr_t>(&button), kClick, 0, 0, Note::Kind::Command});
}

void MemoryForm::SendChar(TextBox& box, std::int16_t key) {
  Arrive({this, reinterpret_cast<std::uintptr_t>(&box), kChar, static_cast<std::uintptr_t>(key), 0,
          Note::Kind::Command});
}

void MemoryForm::SendClose() { Arrive({this, 0, kClose, 0, 0, Note::Kind::Command}); }

void MemoryForm::QueueClick(Button& button) {
  toolkit_.input.push_back([this, &button] { Click(button); });
}

void MemoryForm::Arrive(Note note) {
  note.serial = ++toolkit_.nextSerial;
  // The shell's restart is held as the tray's notes are.
  const bool holds = note.kind == Note::Kind::Restart || HeldWhenSent(note.message);
  if (!holds || !toolkit_.gate.Hold(note)) Dispatch([&] { Deliver(note); });
  else if (!toolkit_.gate.Busy()) toolkit_.PumpPosted();
}

void MemoryForm::Deliver(const Note& note) {
  if (toolkit_.onDeliver) toolkit_.onDeliver(note, !loaded_);
  // Delivered whether the window is shown, hidden or disabled.
  if (!loaded_) return;
  switch (note.message) {
    case kRestart: toolkit_.gate.Raise(OnShellRestart); break;
    case kTray:
      toolkit_.gate.Raise(OnTrayNote, static_cast<int>(note.lParam & 0xFFFF));
      break;
    case kClick: {
      // As BM_CLICK: only a button that takes input clicks.
      auto& button = *reinterpret_cast<Button*>(note.target);
      if (Reachable(button)) toolkit_.gate.Raise(button.OnClick);
      break;
    }
    case kChar: CharTo(reinterpret_cast<MemTextBox*>(note.target), static_cast<std::int16_t>(note.wParam)); break;
    default: Unload();
  }
}

void MemoryForm::Tick(Timer& timer) {
  if (toolkit_.gate.Busy() || !loaded_ || !TimerEnabled(timer)) return;
  Dispatch([&] { toolkit_.gate.Raise(timer.OnTimer); });
}

}  // namespace ui::memory
