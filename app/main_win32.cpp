// The Windows program: the real system and window system under the windows.
#include <windows.h>

#include "build_settings.h"
#include "forms/frmMain.h"
#include "platform/win32/system_win32.h"
#include "platform/win32/winapi_win32.h"
#include "resources/resource_ids.h"
#include "ui/win32/win32_toolkit.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  platform::Win32System services;
  const platform::System system = services.Get();
  std::unique_ptr<ui::Toolkit> toolkit = ui::MakeWin32Toolkit(instance, IDI_VESPERA);

  frmMain main(*toolkit, system, settings::kWebPage);
  if (main.Form_Initialize()) toolkit->Run();
  return 0;
}
