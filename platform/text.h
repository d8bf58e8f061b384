// Conversions between the program's UTF-8 texts and UTF-16, and the ANSI
// code page and command-line forms of a text.
#pragma once

#include <string>
#include <string_view>

namespace platform {

std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

// One argument of a command line, written so that CommandLineToArgvW and
// the C runtime read it back whole: a quote is escaped, the backslashes
// before it doubled; in double quotes (backslashes at the end doubled) when
// it holds a blank, a tab, ',', '=' or ';', which explorer's command line
// also takes as separators (an address "a?b=c" would otherwise arrive cut).
std::string QuoteArgument(std::string_view argument);

}  // namespace platform
