// The program's texts are UTF-8; the W routines take UTF-16. One conversion
// pair for the whole Windows program, through the system's own converter.
#pragma once

#include <string>
#include <string_view>

namespace platform {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

}  // namespace platform
