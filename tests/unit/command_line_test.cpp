// The web page address in explorer's command line.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/text.h"

namespace {

// The arguments after the program's name, as CommandLineToArgvW and the C
// runtime split a command line: blanks and tabs outside quotes separate;
// 2n backslashes before a quote give n and the quote opens or closes a
// quoted part, 2n+1 give n and a literal quote; other backslashes are
// literal; "" inside a quoted part is a literal quote.
std::vector<std::string> ParsedArguments(const std::string& line) {
  std::size_t i = 0;
  // The program's name: up to the next quote if it starts with one, else
  // up to a blank or tab; no escapes.
  if (i < line.size() && line[i] == '"') {
    i = line.find('"', 1);
    i = i == std::string::npos ? line.size() : i + 1;
  }
  while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
  std::vector<std::string> args;
  for (;;) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i == line.size()) return args;
    std::string arg;
    bool quoted = false;
    for (; i < line.size() && (quoted || (line[i] != ' ' && line[i] != '\t')); ++i) {
      std::size_t backslashes = 0;
      while (i < line.size() && line[i] == '\\') ++backslashes, ++i;
      if (i < line.size() && line[i] == '"') {
        arg.append(backslashes / 2, '\\');
        if (backslashes % 2 == 1) {
          arg += '"';
        } else if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
          arg += '"';
          ++i;
        } else {
          quoted = !quoted;
        }
      } else {
        arg.append(backslashes, '\\');
        if (i == line.size()) break;
        if (!quoted && (line[i] == ' ' || line[i] == '\t')) break;
        arg += line[i];
      }
    }
    args.push_back(arg);
  }
}

bool HoldsExplorerSeparator(const std::string& s) { return s.find_first_of(" \t,=;") != std::string::npos; }

// Whole through both parses, and explorer's own separators only in quotes.
void ExpectArrivesWhole(const std::string& address) {
  const std::string quoted = platform::QuoteArgument(address);
  EXPECT_EQ(ParsedArguments("explorer " + quoted), std::vector<std::string>{address})
      << "quoted as [" << quoted << "]";
  if (HoldsExplorerSeparator(address)) {
    EXPECT_TRUE(quoted.size() >= 2 && quoted.front() == '"' && quoted.back() == '"')
        << "[" << quoted << "]";
  } else {
    EXPECT_EQ(quoted.find('"') == std::string::npos, address.find('"') == std::string::npos)
        << "quotes added to [" << address << "]: [" << quoted << "]";
  }
}

TEST(QuoteArgument, NamedAddresses) {
  const struct {
    const char* address;
    const char* quoted;
  } cases[] = {
      {"http://vespera.example/index.php?from=app", "\"http://vespera.example/index.php?from=app\""},
      {"http://a.example/x,y", "\"http://a.example/x,y\""},
      {"http://a.example/a;b", "\"http://a.example/a;b\""},
      {"a\tb", "\"a\tb\""},
      {"http://vespera.example/", "http://vespera.example/"},
      {"http://a.example/?q&r#s", "http://a.example/?q&r#s"},
      {"http://a.example/?q=\"x y\"", "\"http://a.example/?q=\\\"x y\\\"\""},
      {"C:\\My Pages\\", "\"C:\\My Pages\\\\\""},
      {"C:\\Pages\\", "C:\\Pages\\"},
      {"a\"b", "a\\\"b"},
      {"a\\\"b", "a\\\\\\\"b"},
      {"a\\\\b", "a\\\\b"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.address);
    EXPECT_EQ(platform::QuoteArgument(c.address), c.quoted);
    ExpectArrivesWhole(c.address);
  }
}

TEST(QuoteArgument, RandomAddressesArriveWhole) {
  // Weighted toward the characters that matter to the parse.
  const std::string alphabet = "ab/:?&#%.\\\\\\\"\" \t,=;\xE4\xB8\xAD";
  std::mt19937 random(20240917);
  for (int n = 0; n < 20000; ++n) {
    std::string address;
    const int length = static_cast<int>(random() % 12) + 1;
    for (int k = 0; k < length; ++k) address += alphabet[random() % alphabet.size()];
    SCOPED_TRACE(::testing::Message() << "address [" << address << "]");
    ExpectArrivesWhole(address);
    if (HasFailure()) return;
  }
}

}  // namespace
