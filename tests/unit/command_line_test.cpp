// The web page address in explorer's command line.
#include <gtest/gtest.h>

#include "platform/text.h"

namespace {

TEST(QuoteArgument, QuotesAnAddressHoldingOneOfExplorersSeparators) {
  for (const char* address : {"http://vespera.example/index.php?from=app", "http://a.example/x,y",
                              "http://a.example/a;b", "http://a.example/a b", "a\tb", "="}) {
    SCOPED_TRACE(address);
    EXPECT_EQ(platform::QuoteArgument(address), std::string("\"") + address + "\"");
  }
  for (const char* address : {"http://vespera.example/", "http://a.example/?q&r#s", "a\"b", ""}) {
    SCOPED_TRACE(address);
    EXPECT_EQ(platform::QuoteArgument(address), address);
  }
}

}  // namespace
