// Where the caret goes when the program rewrites a box the user types in.
#include <gtest/gtest.h>

#include "ui/caret_rule.h"

TEST(CaretRule, KeepsTheDistanceFromTheEndAndStaysInsideTheText) {
  // The user's edit left LENGTH characters, the caret at CARET; the rewrite
  // of REWRITTEN characters puts it at AT: two from the end, one from the
  // end, the start when the rewrite is shorter, the end and never past it.
  struct Case { std::size_t length, caret, rewritten, at; };
  for (const Case& c : {Case{1, 1, 2, 2}, Case{3, 1, 2, 0}, Case{3, 2, 4, 3}, Case{3, 0, 2, 0},
                        Case{3, 3, 1, 1}, Case{2, 5, 3, 3}}) {
    ui::CaretRule rule;
    rule.UserEdited(c.length, c.caret);
    EXPECT_EQ(rule.After(c.rewritten), c.at) << c.length << "," << c.caret << " -> " << c.rewritten;
  }
}
