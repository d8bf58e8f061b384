// The control layer held in memory, for tests. It behaves as the window
// system does where the handlers rely on it: change events are raised at
// once and nest; a scroll bar raises Change only when its value differs; a
// disabled control, container or window refuses the user's input; typing
// goes through the window's key preview, then the box's filter, then the
// edit; a tray notification that arrives inside a handler's system call
// waits for the handler, and the loops that wait for the user handle what
// was posted meanwhile. The user's actions are methods of MemoryForm.
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ui/controls.h"
#include "ui/handler_gate.h"
#include "ui/held_input.h"
#include "ui/memory/memory_controls.h"

namespace ui::memory {

class MemoryToolkit;
class MemoryForm;

class MemoryForm : public Form {
 public:
  MemoryForm(MemoryToolkit& toolkit, const FormDesign& design, Handle hwnd);

  Container& AddFrame(const ControlDesign& d) override { return Add<MemContainer>(d); }
  Container& AddPanel(const ControlDesign& d) override { return Add<MemContainer>(d); }
  TextBox& AddTextBox(const TextBoxDesign& d) override { return Add<MemTextBox>(d); }
  ScrollBar& AddScrollBar(const ScrollBarDesign& d) override { return Add<MemScrollBar>(d); }
  ComboBox& AddComboBox(const ComboBoxDesign& d) override { return Add<MemComboBox>(d); }
  CheckBox& AddCheckBox(const CheckBoxDesign& d) override { return Add<MemCheckBox>(d); }
  OptionButton& AddOption(const OptionDesign& d) override { return Add<MemOption>(d); }
  Label& AddLabel(const LabelDesign& d) override { return Add<MemLabel>(d); }
  Button& AddButton(const ControlDesign& d) override { return Add<MemButton>(d); }
  Image& AddIcon(const ControlDesign& d) override { return Add<MemImage>(d); }
  Timer& AddTimer(const TimerDesign& d) override;
  Menu& AddPopupMenu(const std::string& name, const std::string& caption) override;

  void SetFocus(Control& control) override { focus_ = &control; }
  void SetTimerEnabled(Timer& timer, bool enabled) override { timers_[&timer] = enabled; }
  bool TimerEnabled(const Timer& timer) const override;

  void Show() override;
  void ShowModal(Form& owner) override;
  void Hide() override { visible_ = topmost_ = minimized_ = false; }
  void SetTaskbarButton(bool shown) override { taskbarButton = shown; }
  void Minimize() override;
  bool Minimized() const override { return Visible() && minimized_; }
  void ShowInFront() override;
  void EndTopmost() override { topmost_ = false; }
  bool Visible() const override { return loaded_ && visible_; }
  // Shown above all other windows (never activated: memory has no focus
  // between windows).
  bool Topmost() const { return Visible() && topmost_; }
  bool Loaded() const override { return loaded_; }
  void Unload() override;

  Handle Hwnd() const override { return hwnd_; }
  Handle IconHandle() const override;
  bool PopupMenu(Menu& menu, const Rect* beside = nullptr) override;

  // --- What the user and the system do ---
  // The window takes input: loaded, shown and not disabled by a modal window.
  bool TakesInput() const { return loaded_ && visible_ && enabled_; }
  Control* Focus() const { return focus_; }
  // The control created last before this one in the same container, as the
  // window system orders sibling windows; nullptr for the first.
  Control* PreviousSibling(const Control& control) const;
  // A character typed on the keyboard, into the control with the focus.
  void Type(std::int16_t key);
  void TypeInto(TextBox& box, const std::string& ascii);
  void Paste(TextBox& box, const std::string& text);  // no key filter
  void PressDelete(TextBox& box);                     // a key with no character
  void Select(TextBox& box, std::size_t start, std::size_t length);
  void SelectAll(TextBox& box);
  void Click(Button& button);
  void Click(CheckBox& box);
  void Click(OptionButton& option);
  void Click(Label& label);
  void MouseOver(Label& label);
  void Choose(ComboBox& list, int index);  // from its open list, which then closes
  void DropDown(ComboBox& list);            // opens the list; the focus goes to it
  // A key on the keyboard: it goes down (the window's preview, then the
  // focused control: Esc and Enter close an open list), then its
  // character, if it makes one, is typed.
  void PressKey(std::int16_t keyCode);
  void SpinUp(ScrollBar& bar);    // the up arrow, or a click in the track above
  void SpinDown(ScrollBar& bar);  // the down arrow, or a click in the track below
  void DragThumb(ScrollBar& bar, std::int16_t releasedAt);
  void ClickBackground();
  void MouseOverBackground(double x = 30, double y = 30);  // twips
  void CloseButton();  // the title bar's close button, Alt+F4
  // A tray notification: the program's tray message carrying the mouse
  // message. Sent by the shell, it can arrive inside a handler's system
  // call; then it waits for that handler to end.
  void TrayNotify(int mouseMessage);
  // A right click on the tray icon as a tray of version 3 reports it: the
  // button's release, then the context menu (an older tray sends the first).
  void TrayRightClick() {
    TrayNotify(517);
    TrayNotify(123);
  }
  // "TaskbarCreated": the shell started anew. Held as a tray notification is.
  void ShellRestart();
  // What another program sends: a click on a button, a character to a box,
  // a close request. Inside a handler's code they wait for it, as notes do.
  void SendClick(Button& button);
  void SendChar(TextBox& box, std::int16_t key);
  void SendClose();
  // A click that waits in the thread's queue for the next loop.
  void QueueClick(Button& button);
  // One tick, delivered only while enabled and only by a loop: never inside
  // a handler's code.
  void Tick(Timer& timer);
  // Handles a note now (a held one, from the gate).
  void Deliver(const Note& note);
  // The messages of the notes.
  static constexpr std::uint32_t kTray = kTrayMessage, kRestart = 0xC000, kClick = kBmClick,
                                 kChar = kWmChar, kClose = kWmClose;

  // The item the next popup menu returns ("" closes it by clicking elsewhere).
  std::string nextMenuChoice;
  std::vector<std::string> openedMenus;
  // Where each menu opened: beside that rectangle, or (none) at the pointer.
  std::vector<std::optional<Rect>> menuAnchors;
  bool taskbarButton = false;

  // The window's DPI, given by the toolkit when it was made. A change (the
  // window moved to a monitor of another DPI) lays the design out anew.
  int Dpi() const { return dpi_; }
  void ChangeDpi(int dpi) { dpi_ = dpi; }
  // What the window system shows at that DPI: the client area, a control's
  // place inside its container, a control's font height.
  Rect ClientPixels() const;
  Control* Find(const std::string& name) const;
  Rect PixelsOf(const Control& control) const;
  int FontHeightOf(const Control& control) const;

  const FormDesign& Design() const { return design_; }
  MemoryForm* Owner() const { return owner_; }
  MemoryToolkit& Kit() const { return toolkit_; }
  ~MemoryForm() override;
  void Destroy();  // the window goes, without a close request

 private:
  template <class T, class D>
  T& Add(const D& d) {
    auto control = std::make_unique<T>(*this, d);
    T& ref = *control;
    controls_.push_back(std::move(control));
    return ref;
  }
  bool Reachable(Control& c) const;
  // A message the loop dispatches: its handler runs, then, back at the top
  // level, the loop handles what was posted meanwhile.
  template <class F>
  void Dispatch(F&& handler);
  void Arrive(Note note);
  void TypeNow(std::int16_t key);
  void CharTo(Control* target, std::int16_t key);

  MemoryToolkit& toolkit_;
  FormDesign design_;
  Handle hwnd_;
  int dpi_;
  bool loaded_ = true, visible_ = false, enabled_ = true, topmost_ = false, minimized_ = false;
  MemoryForm* owner_ = nullptr;
  Control* focus_ = nullptr;
  std::vector<std::unique_ptr<Control>> controls_;
  std::vector<std::unique_ptr<MemMenu>> menus_;
  std::map<const Timer*, bool> timers_;
};

// A label read out by assistive technology, with the caption it had.
struct Announcement {
  std::string label, caption;
  bool operator==(const Announcement&) const = default;
};

struct MessageBoxCall {
  std::string text, title;
  MessageIcon icon;
};

class MemoryToolkit : public Toolkit {
 public:
  MemoryToolkit();
  std::unique_ptr<Form> CreateForm(const FormDesign& design) override;
  void MessageBox(const std::string& text, const std::string& title, MessageIcon icon) override;
  void Beep() override { ++beeps; }

  int dpi = 96;  // of the windows made from now on
  void WarningBeep() override { ++warningBeeps; }
  void Run() override {}
  bool UserCommandWaiting() override;
  void DiscardUserCommands() override;
  int commandsSeenWaiting = 0;  // how often UserCommandWaiting said yes
  std::function<void(bool waiting)> onCommandCheck;  // sees each answer

  // Forms created so far that still exist, newest last.
  std::vector<MemoryForm*> forms;
  void Forget(MemoryForm* form);

  std::vector<MessageBoxCall> messageBoxes;
  int beeps = 0;        // the program's and the edits' own
  int warningBeeps = 0;
  std::string clipboard;
  // What happens while the next modal window or popup menu waits for the
  // user (each runs once); without them the two return at once.
  std::function<void()> whileModal, whileMenu;
  // A loop that waits for the user: it handles what was posted, the script
  // of what happens meanwhile, and what that posted. aroundWait, when set,
  // sees the whole wait run inside it.
  void WaitForUser(std::function<void()>& script);
  std::function<void(const std::function<void()>& wait)> aroundWait;
  bool quit = false;  // the main window has really closed

  // Every handler runs through it, as in the window system.
  HandlerGate gate;
  // Messages posted to the thread: the next loop to run handles them, in
  // order, after the message it is dispatching.
  std::deque<std::function<void()>> posted;
  // Input queued for the thread (keys, mouse buttons): handled after what
  // was posted, one message at a time.
  std::deque<std::function<void()>> input;
  // What other threads send: a loop handles it before it takes the next
  // message from the queue.
  std::function<void()> sentMeanwhile;
  void PumpPosted();
  // Refuses the gate's post while it says so, as a full queue does; the
  // retry's timer is due then.
  std::function<bool()> refusePost;
  bool retryDue = false;
  // Every note that arrives gets the next serial; onDeliver sees each
  // delivery, and whether its window had gone.
  std::uint32_t nextSerial = 0;
  std::function<void(const Note& note, bool windowGone)> onDeliver;
  std::function<void()> onDiscard;  // the held and queued commands were dropped

  // The live-region events raised, in order; labels announced by the
  // running handler wait in pendingAnnouncements until it ends.
  std::vector<Announcement> announcements;
  std::vector<MemLabel*> pendingAnnouncements;

  // Nesting of change events, as the property tests watch it.
  int changeDepth = 0, maxChangeDepth = 0;
  static constexpr Handle kIcon = 0x1C0;

 private:
  Handle nextHwnd_ = 0x10010;
};

// Raises a change event, counting how deep the changes nest.
void RaiseChange(MemoryToolkit& toolkit, const std::function<void()>& handler);

}  // namespace ui::memory
