// The message loops: the program's own and the nested one of a modal form.
#pragma once

#include <functional>

#include "ui/win32/shared.h"

namespace ui::win32 {

// Tab, arrows in option groups, access keys and key preview for the forms;
// true when the message was consumed.
bool PreTranslate(const Shared& shared, MSG& msg);

// Runs until WM_QUIT.
void RunMessageLoop(const Shared& shared);

// Runs until done() holds after a message; a WM_QUIT is posted again for
// the outer loop.
void RunModalLoop(const Shared& shared, const std::function<bool()>& done);

}  // namespace ui::win32
