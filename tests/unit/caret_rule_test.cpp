// Where the caret goes when the program rewrites a box the user types in.
#include <gtest/gtest.h>

#include "ui/caret_rule.h"

namespace {

TEST(CaretRule, KeepsTheDistanceFromTheEndAndStaysInsideTheText) {
  struct Case {
    std::size_t length, caret;  // what the user's edit left
    std::size_t rewritten, at;  // the rewrite's length, and the caret then
  };
  for (const Case& c : {Case{1, 1, 2, 2},    // at the end: "5" becomes "05"
                        Case{3, 1, 2, 0},    // two from the end
                        Case{3, 2, 4, 3},    // one from the end
                        Case{3, 0, 2, 0},    // shorter than the distance: the start
                        Case{3, 3, 1, 1},    // the end, never past it
                        Case{2, 5, 3, 3}}) { // a caret past the text counts as the end
    ui::CaretRule rule;
    rule.UserEdited(c.length, c.caret);
    EXPECT_EQ(rule.After(c.rewritten), c.at) << c.length << "," << c.caret << " -> " << c.rewritten;
  }
}

}  // namespace
