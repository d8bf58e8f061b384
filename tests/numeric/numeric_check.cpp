// The shared table of texts and their numbers, read by the Windows build's
// own reader: run under Wine by the end-to-end suite.
#include <cstdio>

#include "platform/numeric.h"
#include "tests/unit/numeric_cases.h"

int main() {
  int passed = 0, failed = 0;
  for (const numeric_cases::Case& c : numeric_cases::Cases()) {
    const double v = platform::NumericValue(c.text);
    if (numeric_cases::SameBits(v, c.value)) {
      ++passed;
      continue;
    }
    ++failed;
    std::printf("FAIL \"%.60s\" gives %a, not %a\n", c.text.c_str(), v, c.value);
  }
  std::printf("numeric: %d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}
