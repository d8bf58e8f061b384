// The window side of every control: its handle, design name, tab position
// and the notifications its parent forwards to it.
#pragma once

#include <string>

#include "ui/controls.h"
#include "ui/handler_gate.h"
#include "ui/win32/win.h"

namespace ui::win32 {

class WinForm;

enum class Kind { Frame, Panel, TextBox, ScrollBar, ComboBox, CheckBox, Option, Label, Button, Image };

class ControlBase {
 public:
  ControlBase(WinForm& form, Kind kind, const ControlDesign& design);
  ControlBase(const ControlBase&) = delete;
  ControlBase& operator=(const ControlBase&) = delete;
  virtual ~ControlBase() = default;

  HWND Hwnd() const { return hwnd_; }
  Kind GetKind() const { return kind_; }
  int TabIndex() const { return tabIndex_; }
  const std::string& DesignName() const { return name_; }
  const Container* Parent() const { return container_; }
  virtual Control& AsControl() = 0;

  // Parent notifications (WM_COMMAND code, WM_VSCROLL request).
  virtual void OnCommand(WORD) {}
  virtual void OnScroll(WORD, int) {}
  // WM_CTLCOLOR*: returns the brush, or nullptr for the default colours.
  virtual HBRUSH OnColor(HDC) { return nullptr; }
  // The access key was pressed (Alt+letter of the caption).
  virtual void Activate() {}

  virtual void ApplyEnabled(bool enabled) { EnableWindow(hwnd_, enabled ? TRUE : FALSE); }
  // The window's DPI changed: the font and the design's place at the new one.
  virtual void ApplyDpi();
  // The window is gone: later calls must not reach a reused handle.
  void Detach();
  void RemoveName();

 protected:
  // Creates the window at the design's place inside its container, with the
  // window's standard font, its name property and a control id.
  void Create(const wchar_t* windowClass, DWORD style, DWORD exStyle, const std::wstring& text);
  std::wstring WindowText() const;
  void SetFontHandle(HFONT font);
  // The font the control shows its text in: the window's standard one.
  virtual HFONT TextFont();
  // Moves the window to the design's place at the window's DPI; one that
  // shows its text as a single row is kept at least a line of its font high.
  void Place();
  // What the control's events are raised through.
  HandlerGate& Gate() const;
  // Replaces the window procedure; the object is found through GWLP_USERDATA.
  void Subclass();
  virtual LRESULT SubclassedProc(UINT msg, WPARAM wParam, LPARAM lParam);
  LRESULT CallOriginal(UINT msg, WPARAM wParam, LPARAM lParam);

  WinForm& form_;
  HWND hwnd_ = nullptr;

 private:
  static LRESULT CALLBACK SubclassThunk(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

  Kind kind_;
  std::string name_;
  int tabIndex_;
  const Container* container_;
  Rect rect_;            // twips, inside the container
  bool createEnabled_;
  WNDPROC original_ = nullptr;
  ATOM nameAtom_ = 0;
};

// Puts the common part of ui::Control onto a control interface.
template <class Interface>
class Wrapped : public Interface, public ControlBase {
 public:
  template <class Design>
  Wrapped(WinForm& form, Kind kind, const Design& design) : ControlBase(form, kind, design) {}

  const std::string& Name() const override { return DesignName(); }
  bool Enabled() const override { return IsWindowEnabled(hwnd_) != FALSE; }
  void SetEnabled(bool enabled) override { ApplyEnabled(enabled); }
  Control& AsControl() override { return *this; }
};

// The letter after a single '&' in a caption, upper-cased; 0 if none.
wchar_t AccessKeyOf(const std::wstring& caption);

}  // namespace ui::win32
