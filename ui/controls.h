// The control layer the two windows are written against: a handful of
// standard controls with the properties and events the handlers use.
// Texts are UTF-8; positions and sizes are twips (1/1440 inch).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ui {

using Handle = std::uintptr_t;

// RGB colour in the Windows COLORREF layout (0x00BBGGRR).
constexpr std::uint32_t Rgb(int r, int g, int b) {
  return static_cast<std::uint32_t>(r) | (static_cast<std::uint32_t>(g) << 8) |
         (static_cast<std::uint32_t>(b) << 16);
}

struct Rect {
  int left = 0, top = 0, width = 0, height = 0;
  bool operator==(const Rect&) const = default;
};

struct Font {
  std::string name = "宋体";
  int points = 9;
  int charset = 134;  // GB2312
  int weight = 400;
  bool underline = false;
};

class Container;

// The message a form's tray icon reports through (WM_APP + 0x40): a message
// of the program's own, so that a pointer moving over the window is never
// taken for the tray. The form raises OnTrayNote with the mouse message it
// carries.
inline constexpr std::uint32_t kTrayMessage = 0x8040;

// What every control of a design has in common.
struct ControlDesign {
  std::string name;               // "txtHour", "opt(1)"
  Container* container = nullptr; // nullptr: the window itself
  Rect rect;
  int tabIndex = -1;              // position in the window's tab order
  std::string caption;            // caption, or the initial text
  bool enabled = true;
};

class Control {
 public:
  Control() = default;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;
  virtual ~Control() = default;

  virtual const std::string& Name() const = 0;
  virtual bool Enabled() const = 0;
  virtual void SetEnabled(bool enabled) = 0;
};

// A control that holds others: a group frame or a borderless panel.
// A disabled container refuses input to everything inside it.
class Container : public Control {};

class TextBox : public Control {
 public:
  virtual std::string Text() const = 0;
  // Raises OnChange at once, nested inside the caller.
  virtual void SetText(const std::string& text) = 0;
  // Where the selection starts, or the caret when nothing is selected, in
  // characters: at the text's length, the caret is at the end and nothing
  // can be selected.
  virtual std::size_t SelStart() const = 0;

  std::function<void()> OnChange;
  // A typed character; setting it to 0 discards the character.
  std::function<void(std::int16_t& key)> OnKeyPress;
};

// A vertical scroll bar used as a spin control. Min is the value at the
// top end and Max the value at the bottom end; Min may exceed Max.
class ScrollBar : public Control {
 public:
  virtual std::int16_t Value() const = 0;
  // Raises OnChange only when the value differs from the current one.
  virtual void SetValue(std::int16_t value) = 0;
  virtual std::int16_t Min() const = 0;
  virtual std::int16_t Max() const = 0;

  std::function<void()> OnChange;
};

// A pick-only drop-down list.
class ComboBox : public Control {
 public:
  virtual void AddItem(const std::string& text) = 0;
  virtual int ListCount() const = 0;
  virtual std::string List(int index) const = 0;
  virtual int ListIndex() const = 0;  // -1: nothing selected
  virtual void SetListIndex(int index) = 0;
  // Its list is open (dropped down).
  virtual bool DroppedDown() const = 0;
  std::string Text() const {
    int i = ListIndex();
    return i < 0 ? std::string() : List(i);
  }
};

class CheckBox : public Control {
 public:
  virtual int Value() const = 0;  // 0 clear, 1 ticked, 2 greyed
  virtual void SetValue(int value) = 0;
  std::function<void()> OnClick;
};

class OptionButton : public Control {
 public:
  virtual bool Value() const = 0;
  virtual void SetValue(bool selected) = 0;
  std::function<void()> OnClick;
};

class Label : public Control {
 public:
  virtual std::string Caption() const = 0;
  virtual void SetCaption(const std::string& caption) = 0;
  virtual void SetFont(const Font& font) = 0;
  virtual Font GetFont() const = 0;
  // A live region: tells assistive technology to read the caption out, once,
  // when the running handler ends, with the caption it has then.
  virtual void Announce() = 0;

  std::function<void()> OnClick;
  std::function<void(int button, int shift, double x, double y)> OnMouseMove;
};

class Button : public Control {
 public:
  virtual std::string Caption() const = 0;
  virtual void SetCaption(const std::string& caption) = 0;
  std::function<void()> OnClick;
};

class Image : public Control {};

class Timer : public Control {
 public:
  virtual int Interval() const = 0;  // milliseconds
  std::function<void()> OnTimer;
};

class MenuItem {
 public:
  MenuItem() = default;
  MenuItem(const MenuItem&) = delete;
  MenuItem& operator=(const MenuItem&) = delete;
  virtual ~MenuItem() = default;
  virtual const std::string& Name() const = 0;
  virtual std::string Caption() const = 0;  // "-" is a separator line
  std::function<void()> OnClick;
};

class Menu {
 public:
  Menu() = default;
  Menu(const Menu&) = delete;
  Menu& operator=(const Menu&) = delete;
  virtual ~Menu() = default;
  virtual const std::string& Name() const = 0;
  virtual MenuItem& AddItem(const std::string& name, const std::string& caption) = 0;
  virtual int ItemCount() const = 0;
  virtual MenuItem& Item(int index) = 0;
};

// Per-kind extras of a design.
struct TextBoxDesign : ControlDesign {
  int maxLength = 0;  // 0: no limit
};
struct ScrollBarDesign : ControlDesign {
  std::int16_t min = 0, max = 32767, value = 0;
};
struct ComboBoxDesign : ControlDesign {
  std::vector<std::string> items;
};
struct CheckBoxDesign : ControlDesign {
  int value = 0;
};
struct OptionDesign : ControlDesign {
  bool value = false;
  bool firstOfGroup = false;
};
struct LabelDesign : ControlDesign {
  enum class Align { Left, Center } align = Align::Left;
  bool autoSize = false;
  std::uint32_t foreColor = Rgb(0, 0, 0);
  std::uint32_t backColor = Rgb(255, 255, 255);
  bool opaque = false;  // false: the container's background shows
  // Never shown: it names the control created right after it in the same
  // container, for assistive technology.
  bool hidden = false;
  // A polite live region for UI Automation, where the system can mark one:
  // Narrator then reads what Announce tells.
  bool liveRegion = false;
  // A link: it takes the keyboard focus, shows it, and Enter or Space on
  // it is a click.
  bool link = false;
  Font font;
};
struct TimerDesign {
  std::string name;
  int interval = 0;
  bool enabled = false;
};

struct FormDesign {
  std::string name;
  std::string caption;
  int clientWidth = 0, clientHeight = 0;  // twips
  bool keyPreview = false;
  bool whiteBackground = false;
  bool dialogBorder = false;  // the fixed dialog frame; otherwise fixed single
  bool showInTaskbar = false;
  bool isMainWindow = false;  // the program ends when it really closes
};

// A top-level window. Controls are created through it, and live as long
// as it does; Unload destroys the window but not this object.
class Form {
 public:
  Form() = default;
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;
  virtual ~Form() = default;

  virtual Container& AddFrame(const ControlDesign& d) = 0;
  virtual Container& AddPanel(const ControlDesign& d) = 0;
  virtual TextBox& AddTextBox(const TextBoxDesign& d) = 0;
  virtual ScrollBar& AddScrollBar(const ScrollBarDesign& d) = 0;
  virtual ComboBox& AddComboBox(const ComboBoxDesign& d) = 0;
  virtual CheckBox& AddCheckBox(const CheckBoxDesign& d) = 0;
  virtual OptionButton& AddOption(const OptionDesign& d) = 0;
  virtual Label& AddLabel(const LabelDesign& d) = 0;
  virtual Button& AddButton(const ControlDesign& d) = 0;
  virtual Image& AddIcon(const ControlDesign& d) = 0;  // the program icon
  virtual Timer& AddTimer(const TimerDesign& d) = 0;
  virtual Menu& AddPopupMenu(const std::string& name, const std::string& caption) = 0;

  // Puts the focus on a control (after the window is shown).
  virtual void SetFocus(Control& control) = 0;
  virtual void SetTimerEnabled(Timer& timer, bool enabled) = 0;
  virtual bool TimerEnabled(const Timer& timer) const = 0;

  // Modeless, centred on first show; a minimised window is restored.
  virtual void Show() = 0;
  virtual void ShowModal(Form& owner) = 0;  // returns when this window is gone
  // Hides the window; a window kept in front stops being so.
  virtual void Hide() = 0;
  // The window's own button on the taskbar (a window has none otherwise):
  // its way back while it has no tray icon.
  virtual void SetTaskbarButton(bool shown) = 0;
  // Minimises the window, a hidden one too, without activating it; Show
  // and ShowInFront restore it.
  virtual void Minimize() = 0;
  virtual bool Minimized() const = 0;
  // Shows the window above all others without activating it, so that the
  // keyboard stays where the user types; it stays there until EndTopmost
  // or Hide.
  virtual void ShowInFront() = 0;
  virtual void EndTopmost() = 0;
  virtual bool Visible() const = 0;
  virtual bool Loaded() const = 0;          // the window exists
  // A close request: raises OnUnload, then closes unless it was cancelled.
  virtual void Unload() = 0;

  virtual Handle Hwnd() const = 0;
  // The program icon at the size the taskbar's notification area uses.
  virtual Handle IconHandle() const = 0;
  // Opens the menu at the pointer, or beside a rectangle of the screen in
  // pixels (the tray icon's) without covering it; a chosen item runs its
  // OnClick. True when an item was chosen.
  virtual bool PopupMenu(Menu& menu, const Rect* beside = nullptr) = 0;

  std::function<void(std::int16_t& key)> OnKeyPress;  // with key preview
  // A key goes down (with key preview), before the focused control handles
  // it and before its character, if it makes one, is typed.
  std::function<void(std::int16_t& keyCode)> OnKeyDown;
  std::function<void(bool& cancel)> OnUnload;
  std::function<void()> OnClick;
  std::function<void(int button, int shift, double x, double y)> OnMouseMove;
  // A tray notification: the mouse message over the icon (WM_RBUTTONUP...).
  std::function<void(int message)> OnTrayNote;
  std::function<void()> OnShellRestart;  // the taskbar was created anew
};

enum class MessageIcon { Information };

// The window system: creates windows, runs the message loop.
class Toolkit {
 public:
  Toolkit() = default;
  Toolkit(const Toolkit&) = delete;
  Toolkit& operator=(const Toolkit&) = delete;
  virtual ~Toolkit() = default;

  virtual std::unique_ptr<Form> CreateForm(const FormDesign& design) = 0;
  virtual void MessageBox(const std::string& text, const std::string& title,
                          MessageIcon icon) = 0;
  virtual void Beep() = 0;
  // The system's warning sound (the exclamation).
  virtual void WarningBeep() = 0;
  // Runs until the main window has really closed.
  virtual void Run() = 0;
  // Input that waits for the window thread: held while a handler ran, or
  // queued (keys, mouse buttons, posted commands); pointer moves do not count.
  virtual bool UserCommandWaiting() = 0;
  // Drops that input: it was meant for a countdown that has ended.
  virtual void DiscardUserCommands() = 0;
};

}  // namespace ui
