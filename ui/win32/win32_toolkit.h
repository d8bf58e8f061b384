// The Win32 backend of the control layer.
#pragma once

#include <memory>

// With <windows.h> included first, its MessageBox macro would rename the
// toolkit's method in this translation unit only.
#ifdef MessageBox
#undef MessageBox
#endif

#include "ui/controls.h"

namespace ui {

// hInstance: the program's module; iconResourceId: its icon resource.
std::unique_ptr<Toolkit> MakeWin32Toolkit(void* hInstance, int iconResourceId);

}  // namespace ui
