#include "platform/text.h"

#include "platform/system.h"

namespace platform {

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  std::size_t i = 0;
  while (i < text.size()) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    char32_t cp = 0xFFFD;
    std::size_t len = 1;
    if (c < 0x80) {
      cp = c;
    } else if ((c >> 5) == 0x6) {
      len = 2;
    } else if ((c >> 4) == 0xE) {
      len = 3;
    } else if ((c >> 3) == 0x1E) {
      len = 4;
    }
    if (len > 1) {
      if (i + len > text.size()) {
        len = 1;
      } else {
        cp = c & (0x7F >> len);
        for (std::size_t k = 1; k < len; ++k) {
          const unsigned char cc = static_cast<unsigned char>(text[i + k]);
          if ((cc >> 6) != 0x2) { cp = 0xFFFD; len = 1; break; }
          cp = (cp << 6) | (cc & 0x3F);
        }
      }
    }
    i += len;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t cp = text[i];
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp < 0xE000) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | (cp >> 6));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | (cp >> 12));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (cp >> 18));
      out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  return out;
}

std::string QuoteArgument(std::string_view argument) {
  const bool enclose = argument.find_first_of(" \t,=;") != std::string_view::npos;
  std::string out;
  if (enclose) out += '"';
  std::size_t backslashes = 0;
  for (const char c : argument) {
    // Backslashes are literal unless a quote follows them: then each one
    // must be doubled, and the quote escaped by one more.
    if (c == '"') out.append(backslashes + 1, '\\');
    backslashes = c == '\\' ? backslashes + 1 : 0;
    out += c;
  }
  if (enclose) out.append(backslashes, '\\').push_back('"');
  return out;
}

std::string SystemCodePage::ToAnsi(std::u16string_view text) {
  std::string ansi;
  if (text.empty()) return ansi;
  if (conversion_.AnsiCodePage() == AnsiConversion::kUtf8) {
    conversion_.Convert(0, nullptr, text, ansi);
    return ansi;
  }
  // No best fit: a character without an ANSI form must become '?', not a
  // look-alike. Where the system refuses that flag, the plain call.
  if (!conversion_.Convert(AnsiConversion::kNoBestFitChars, "?", text, ansi)) {
    conversion_.Convert(0, "?", text, ansi);
  }
  return ansi;
}

}  // namespace platform
