// The shared table of texts and their numbers, read by the Windows build's
// own reader, and its own allocation: run under Wine by the end-to-end suite.
#include <cstdint>
#include <cstdio>
#include <new>

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
  // An allocation that cannot succeed: the nothrow form says so with null.
  volatile std::size_t huge = SIZE_MAX / 2;
  void* p = ::operator new(huge, std::nothrow);
  if (p == nullptr) {
    ++passed;
  } else {
    ++failed;
    std::printf("FAIL a nothrow allocation of %zu bytes did not return null\n", huge);
    ::operator delete(p);
  }
  std::printf("numeric: %d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}
