// Handlers run to their end. Input that the window system delivers inside a
// handler's code (a message another thread sends while one of the handler's
// system calls waits: the shell's tray notes and restart, another program's
// clicks, keys, characters and close requests) is held, and handled after
// that handler, in the order it came, exactly once. The loops that wait for
// the user on purpose, a popup menu and a modal window, are the top level
// again: ticks and notes run there, and what was held is handled there too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace ui {

class Form;

// One piece of held input, for one window.
struct Note {
  enum class Kind : std::uint8_t {
    Command,      // a user's command: a click, a key, a close request, a tray click
    PointerMove,  // the tray's pointer move: never a command, only the latest counts
    Restart,      // the taskbar was created anew
  };
  const Form* form;      // the window it came to: it goes with it
  std::uintptr_t target; // the backend's own: the window or control it goes to
  std::uint32_t message;
  std::uintptr_t wParam;
  std::intptr_t lParam;  // of a tray note: the mouse message in its low word
  Kind kind;
  std::string text;          // a copy of what lParam points to, where it must outlive the send
  std::uint32_t serial = 0;  // for the tests' ledger
};

// Whether a held note of each kind is a user's command: the pointer moving
// over the tray icon and the taskbar's restart are not.
inline constexpr bool kKindIsCommand[] = {true, false, false};
constexpr bool IsCommand(Note::Kind kind) { return kKindIsCommand[static_cast<int>(kind)]; }

class HandlerGate {
 public:
  // post(context): arranges for Drain to be called from a loop; false when
  // the loop's queue refused it. retryLater(context): after a refusal,
  // arranges for Retry to be called from a loop a little later. deliver:
  // handles a note as its window would have.
  using Post = bool (*)(void* context);
  using RetryLater = void (*)(void* context);
  using Deliver = void (*)(const Note& note);
  static constexpr std::size_t kMaxNotes = 256;

  HandlerGate(Post post, RetryLater retryLater, void* context, Deliver deliver)
      : post_(post), retryLater_(retryLater), context_(context), deliver_(deliver) {}
  HandlerGate(const HandlerGate&) = delete;
  HandlerGate& operator=(const HandlerGate&) = delete;

  // While one lives, a handler's own code runs.
  class Handler {
   public:
    explicit Handler(HandlerGate& gate) : gate_(gate) {
      if (gate_.depth_++ == 0 && gate_.beforeHandler) gate_.beforeHandler(gate_.context_);
    }
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
  // A note that arrives now. True when it was taken for later: a handler is
  // running, or older notes still wait, which it must not overtake.
  bool Hold(const Note& note);
  // For the loop: handles the oldest held note.
  void Drain();
  // For the loop, after a refused post: posts again, if still due.
  void Retry() { PostIfDue(); }
  // The window went: what was held for it goes too.
  void Forget(const Form* form);
  // A user's command is held.
  bool CommandHeld() const;
  // Drops the held commands (the taskbar's restart stays).
  void DiscardCommands();
  std::size_t HeldCount() const { return held_.size() - head_; }

  // Runs with the context of post whenever the outermost handler ends: what
  // the handler left to tell goes out then, once, as things stand at its end.
  void (*afterHandler)(void* context) = nullptr;
  // Runs with the same context whenever an outermost handler begins.
  void (*beforeHandler)(void* context) = nullptr;

 private:
  void PostIfDue();
  template <class Keep>
  void KeepOnly(Keep keep);

  Post post_;
  RetryLater retryLater_;
  void* context_;
  Deliver deliver_;
  // The queue: its front at head_, removed in constant time.
  std::vector<Note> held_;
  std::size_t head_ = 0;
  int depth_ = 0;
  bool posted_ = false;
};

}  // namespace ui
