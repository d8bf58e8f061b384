// UTF-8 (the control layer's texts) to and from UTF-16 (the W routines):
// the platform's one conversion pair.
#pragma once

#include "platform/win32/utf16.h"

namespace ui::win32 {

using platform::Narrow;
using platform::Widen;

}  // namespace ui::win32
