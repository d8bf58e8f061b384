// Group frames and borderless panels: child windows that hold controls and
// pass their notifications on to the form.
#pragma once

#include "ui/win32/control_base.h"

namespace ui::win32 {

class ContainerImpl final : public Wrapped<Container> {
 public:
  ContainerImpl(WinForm& form, Kind kind, const ControlDesign& d);
  void ApplyEnabled(bool enabled) override;
  void ApplyDpi() override;

  // Window procedure of the "VesperaContainer" class.
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

 private:
  LRESULT HandleMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

  HWND groupBox_ = nullptr;
};

}  // namespace ui::win32
