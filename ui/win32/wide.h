// UTF-8 (the control layer's texts) to and from UTF-16 (the W routines).
#pragma once

#include <string>

namespace ui::win32 {

std::wstring Widen(const std::string& text);
std::string Narrow(const std::wstring& text);

}  // namespace ui::win32
