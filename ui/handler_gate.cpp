#include "ui/handler_gate.h"

#include <algorithm>

namespace ui {

bool HandlerGate::Hold(const ShellNote& note) {
  if (depth_ == 0 && held_.empty()) return false;
  held_.push_back(note);
  PostIfDue();
  return true;
}

void HandlerGate::Drain() {
  posted_ = false;
  // Only a loop dispatches the message, and loops run at the top level;
  // should one run inside a handler all the same, its end posts again.
  if (depth_ > 0 || held_.empty()) return;
  const ShellNote note = held_.front();
  held_.erase(held_.begin());
  Handler running(*this);
  deliver_(note);
}

void HandlerGate::Forget(const Form* form) {
  held_.erase(std::remove_if(held_.begin(), held_.end(),
                             [form](const ShellNote& n) { return n.form == form; }),
              held_.end());
}

namespace {
bool IsUserCommand(const ShellNote& n) { return !n.restart && (n.lParam & 0xFFFF) != 512; }
}  // namespace

bool HandlerGate::HoldsUserCommand() const {
  return std::any_of(held_.begin(), held_.end(), IsUserCommand);
}

void HandlerGate::DropUserCommands() {
  held_.erase(std::remove_if(held_.begin(), held_.end(), IsUserCommand), held_.end());
}

// One note per message: a note whose handler waits for the user (the tray
// menu) leaves the rest to the loop that waits.
void HandlerGate::PostIfDue() {
  if (depth_ == 0 && !held_.empty() && !posted_) posted_ = post_(context_);
}

}  // namespace ui
