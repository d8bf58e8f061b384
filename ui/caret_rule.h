// Where the caret stands after the program rewrites a box's text. The edit
// control puts it at the start; in a box the user is typing into, that
// reverses what is typed next ("2", "5" would read 52). So the caret keeps
// its distance from the end of the text that the user's last edit left.
#pragma once

#include <cstddef>

namespace ui {

class CaretRule {
 public:
  // The user's edit (typing, Delete, cut, paste) left `length` characters
  // with the caret at `caret`.
  void UserEdited(std::size_t length, std::size_t caret) {
    fromEnd_ = caret < length ? length - caret : 0;
  }
  // The caret for a rewritten text of `length` characters: the start when
  // the text is shorter than the distance.
  std::size_t After(std::size_t length) const { return length > fromEnd_ ? length - fromEnd_ : 0; }

  // The program's own writes nest: a change raised inside one is not the
  // user's edit.
  int rewriting = 0;

 private:
  std::size_t fromEnd_ = 0;
};

}  // namespace ui
