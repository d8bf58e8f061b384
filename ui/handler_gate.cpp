#include "ui/handler_gate.h"

namespace ui {

bool HandlerGate::Hold(const Note& note) {
  if (depth_ == 0 && HeldCount() == 0) return false;
  if (note.kind == Note::Kind::PointerMove) {
    // Only the latest position of a run of moves matters; a flood of them
    // never grows the queue past its bound. Other notes are always kept.
    if (HeldCount() > 0 && held_.back().kind == Note::Kind::PointerMove && held_.back().form == note.form) {
      held_.back() = note;
      return true;
    }
    if (HeldCount() >= kMaxNotes) return true;
  }
  held_.push_back(note);
  PostIfDue();
  return true;
}

void HandlerGate::Drain() {
  posted_ = false;
  // Only a loop calls it, and loops run at the top level; should one run
  // inside a handler all the same, its end posts again.
  if (depth_ > 0 || HeldCount() == 0) return;
  const Note note = std::move(held_[head_++]);
  // What was taken goes once it is half the queue: constant time a note.
  if (head_ == held_.size() || (head_ >= 32 && 2 * head_ >= held_.size())) {
    held_.erase(held_.begin(), held_.begin() + static_cast<std::ptrdiff_t>(head_));
    head_ = 0;
  }
  Handler running(*this);
  deliver_(note);
}

template <class Keep>
void HandlerGate::KeepOnly(Keep keep) {
  std::size_t to = 0;
  for (std::size_t from = head_; from < held_.size(); ++from) {
    if (keep(held_[from])) held_[to++] = std::move(held_[from]);
  }
  held_.resize(to);
  head_ = 0;
}

void HandlerGate::Forget(const Form* form) {
  KeepOnly([form](const Note& n) { return n.form != form; });
}

bool HandlerGate::CommandHeld() const {
  for (std::size_t i = head_; i < held_.size(); ++i) {
    if (IsCommand(held_[i].kind)) return true;
  }
  return false;
}

void HandlerGate::DiscardCommands() {
  KeepOnly([](const Note& n) { return n.kind == Note::Kind::Restart; });
}

// One note per message: a note whose handler waits for the user (the tray
// menu) leaves the rest to the loop that waits. A refused post is tried
// again later, and at every chance before that.
void HandlerGate::PostIfDue() {
  if (depth_ > 0 || HeldCount() == 0 || posted_) return;
  posted_ = post_(context_);
  if (!posted_) retryLater_(context_);
}

}  // namespace ui
