// A top-level window of the control layer and the controls it holds.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ui/controls.h"
#include "ui/layout.h"
#include "ui/win32/control_base.h"
#include "ui/win32/shared.h"

namespace ui::win32 {

class TimerImpl;
class MenuImpl;
class ContainerImpl;

class WinForm final : public Form {
 public:
  WinForm(Shared& shared, const FormDesign& design);
  ~WinForm() override;

  Container& AddFrame(const ControlDesign& d) override;
  Container& AddPanel(const ControlDesign& d) override;
  TextBox& AddTextBox(const TextBoxDesign& d) override;
  ScrollBar& AddScrollBar(const ScrollBarDesign& d) override;
  ComboBox& AddComboBox(const ComboBoxDesign& d) override;
  CheckBox& AddCheckBox(const CheckBoxDesign& d) override;
  OptionButton& AddOption(const OptionDesign& d) override;
  Label& AddLabel(const LabelDesign& d) override;
  Button& AddButton(const ControlDesign& d) override;
  Image& AddIcon(const ControlDesign& d) override;
  Timer& AddTimer(const TimerDesign& d) override;
  Menu& AddPopupMenu(const std::string& name, const std::string& caption) override;

  void SetFocus(Control& control) override;
  void SetTimerEnabled(Timer& timer, bool enabled) override;
  bool TimerEnabled(const Timer& timer) const override;

  void Show() override;
  void ShowModal(Form& owner) override;
  void Hide() override;
  void SetTaskbarButton(bool shown) override;
  void Minimize() override;
  bool Minimized() const override;
  void ShowInFront() override;
  void EndTopmost() override;
  bool Visible() const override;
  bool Loaded() const override;
  void Unload() override;

  Handle Hwnd() const override;
  Handle IconHandle() const override;
  bool PopupMenu(Menu& menu, const Rect* beside = nullptr) override;

  // For the controls and the message loop.
  Shared& GetShared() { return shared_; }
  HWND Window() const { return hwnd_; }
  HWND ParentWindowFor(const Container* container) const;
  int NextControlId() { return nextId_++; }
  // The window's DPI: the one its monitor has, or the screen's.
  int Dpi() const { return dpi_; }
  int Px(int twips) const { return Pixels(twips, dpi_); }
  HFONT FontFor(const Font& font) { return shared_.fonts.Get(font, dpi_); }
  HFONT ControlFont() { return FontFor(Font{}); }
  // The program icon at a system metric's size (SM_CXICON, SM_CXSMICON) for
  // this window's DPI; the metrics are given at the screen's DPI.
  HICON IconFor(int metric) {
    return shared_.Icon(MulDiv(GetSystemMetrics(metric), dpi_, shared_.systemDpi));
  }
  HBRUSH BackgroundBrush() const;
  COLORREF BackgroundColor() const;
  bool KeyPreview() const { return design_.keyPreview; }

  // A child's notification reaching the form or one of its containers.
  // What a child sends its parent (commands, scrolling, colours); the
  // containers pass these on to their form.
  static bool IsChildNotification(UINT msg);
  bool HandleChildMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
  ControlBase* ControlOf(HWND hwnd) const;  // the control owning hwnd (or a child of it)
  // True when the control and all its containers are enabled.
  bool EffectivelyEnabled(HWND hwnd) const;

  // Keyboard handling run by the message loop before dispatch.
  bool TabFrom(bool backward);
  bool ArrowInGroup(HWND focus, bool backward);
  bool AccessKey(wchar_t key);
  bool PreviewChar(MSG& msg);
  // False when the window went meanwhile.
  bool PreviewKeyDown(const MSG& msg);
  // A character for a control: the window's key preview, then a text box's
  // own filter. False when it was discarded or the window went meanwhile.
  bool KeyPress(ControlBase* target, std::int16_t& key);
  // Focus to the next tab stop after tabIndex (used when a container is disabled).
  void FocusNextAfter(int tabIndex);
  void FocusControl(ControlBase& control);

  // Option groups: options of one container, split where firstOfGroup is set.
  int GroupOf(const ControlBase& option) const;
  void SelectOption(ControlBase& option);

  static WinForm* FromWindow(const Shared& shared, HWND hwnd);
  // A tray notification or the shell's restart, handled now.
  void OnShellNote(const Note& note);

  // Window procedure of the "VesperaForm" class.
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

 private:
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  void OnActivate(bool active);
  void OnDestroy();
  void OnNcDestroy();
  void OnTimerMessage(UINT_PTR id);
  // The window moved to a monitor of another DPI (WM_DPICHANGED): keeps the
  // suggested top-left corner and lays the design out anew at that DPI.
  void OnDpiChanged(int dpi, const RECT& suggested);
  // Sizes the window so that its client area is the design at its DPI.
  void FitClientArea(int left, int top, UINT flags);
  void SetIcons();
  void Center();
  void PrepareFirstShow();

  template <class T, class Design>
  T& Add(Kind kind, const Design& d);
  std::vector<ControlBase*> TabStops() const;
  bool IsTabStop(const ControlBase& c) const;

  Shared& shared_;
  FormDesign design_;
  HWND hwnd_ = nullptr;
  ATOM nameAtom_ = 0;
  std::vector<std::unique_ptr<ControlBase>> controls_;
  std::vector<std::unique_ptr<TimerImpl>> timers_;
  std::vector<std::unique_ptr<MenuImpl>> menus_;
  int dpi_;
  int nextId_ = 100;
  int nextGroup_ = 0;
  bool shownOnce_ = false;
  int menuDepth_ = 0;   // popup menus open on this window
  HWND modalOwner_ = nullptr;
  HWND savedFocus_ = nullptr;
  bool focusPending_ = false;
};

}  // namespace ui::win32
