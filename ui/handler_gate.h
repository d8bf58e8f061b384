// Handlers run to their end. A tray notification or a shell restart that
// the window system delivers inside a handler's code (a message sent to the
// window while one of the handler's system calls waits for another process)
// is held, and handled after that handler, in the order it came, exactly
// once. The loops that wait for the user on purpose, a popup menu and a
// modal window, are the top level again: ticks and notifications run there,
// and what was held is handled there too.
#pragma once

#include <cstdint>
#include <vector>
#include <functional>
#include <utility>

namespace ui {

class Form;

// A notification from the shell for one window.
struct ShellNote {
  Form* form;
  bool restart;  // the taskbar was created anew; otherwise a tray message
  std::uintptr_t wParam;
  std::intptr_t lParam;  // of a tray message: the mouse message in its low word
};

class HandlerGate {
 public:
  // post(context): posts the private message whose handling calls Drain,
  // true when it was posted. deliver: handles a note as its window would have.
  using Post = bool (*)(void* context);
  using Deliver = void (*)(const ShellNote& note);
  HandlerGate(Post post, void* context, Deliver deliver)
      : post_(post), context_(context), deliver_(deliver) {}
  HandlerGate(const HandlerGate&) = delete;
  HandlerGate& operator=(const HandlerGate&) = delete;

  // While one lives, a handler's own code runs.
  class Handler {
   public:
    explicit Handler(HandlerGate& gate) : gate_(gate) { ++gate_.depth_; }
    ~Handler() {
      if (--gate_.depth_ == 0 && gate_.afterHandler) gate_.afterHandler(gate_.context_);
      gate_.PostIfDue();
    }
    Handler(const Handler&) = delete;
    Handler& operator=(const Handler&) = delete;

   private:
    HandlerGate& gate_;
  };

  // While one lives, a loop waits for the user: the top level again.
  class UserWait {
   public:
    explicit UserWait(HandlerGate& gate) : gate_(gate), saved_(std::exchange(gate.depth_, 0)) {
      gate_.PostIfDue();
    }
    ~UserWait() { gate_.depth_ = saved_; }
    UserWait(const UserWait&) = delete;
    UserWait& operator=(const UserWait&) = delete;

   private:
    HandlerGate& gate_;
    int saved_;
  };

  // Calls an event handler as a handler, through a copy, so that a handler
  // that replaces itself or drops its owner does not pull the function from
  // under the call.
  template <class Signature, class... Args>
  void Raise(const std::function<Signature>& handler, Args&&... args) {
    if (!handler) return;
    std::function<Signature> copy = handler;
    Handler running(*this);
    copy(std::forward<Args>(args)...);
  }

  // A handler's code is running (outside the loops that wait for the user).
  bool Busy() const { return depth_ > 0; }
  // A note that arrives now. True when it was held for later: a handler is
  // running, or older notes still wait, which it must not overtake.
  bool Hold(const ShellNote& note);
  // For the private message: handles the oldest held note.
  void Drain();
  // The window went: what was held for it goes too.
  void Forget(const Form* form);

  // Runs with the context of post whenever the outermost handler ends: what
  // the handler left to tell goes out then, once, as things stand at its end.
  void (*afterHandler)(void* context) = nullptr;

 private:
  void PostIfDue();

  Post post_;
  void* context_;
  Deliver deliver_;
  std::vector<ShellNote> held_;
  int depth_ = 0;
  bool posted_ = false;
};

}  // namespace ui
