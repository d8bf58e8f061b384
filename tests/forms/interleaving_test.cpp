// Long random runs of everything that can reach the program: ticks with the
// clock moving and jumping, tray notifications, other programs' clicks,
// characters and close requests at the top level and inside every system
// call the program makes, menus and the About window left open across
// ticks, arming, edits, mode switches, shell restarts and shells that refuse
// the icon for a while, actions that fail and machines that refuse them. After every event the program's promises
// must hold, and every note is followed from its arrival to its one
// delivery. Each run is seeded and replayable.
//
//   VESPERA_INTERLEAVING_EVENTS  events in all (default 1,000,000)
//   VESPERA_INTERLEAVING_SEED    seed of the first run (default 1); run i has seed + i
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <random>
#include <string_view>

#include "tests/forms/main_window_fixture.h"

namespace {

using ui::memory::MemoryForm;

const char* const kPasted[] = {"",   "0",    "1",     "2",    "5",    "59",  "999", "1000",
                               "-3", "1.5",  "1e2",   "12ab", "&H10", " 7 ", "中",  "\t3"};
const int kJumps[] = {-86400, -3600, -61, 2, 59, 600, 3600, 90000};
const char* const kMenuChoices[] = {"", "", "", "", "", "mnuAbout", "mnuAbout", "mnuSep", "mnuExit"};
constexpr long kRunLength = 3000;
const std::int16_t kSentKeys[] = {27, '5', '0', 'x', 8};
constexpr std::string_view kQuietRoutines =
    "GetCurrentProcess OpenProcessToken LookupPrivilegeValueA AdjustTokenPrivileges CloseHandle GetVersionExA "
    "GetLastError GetPwrCapabilities";

class Interleaving {
 public:
  Interleaving(std::uint64_t seed, bool tracing) : rng_(seed), tracing_(tracing) {}

  // Runs until the program ends or limit events; "" or the first broken rule.
  std::string Run(long limit) {
    sys.clock.Set(2012, 10, 30, Pick(24), Pick(60), Pick(60));
    main = std::make_unique<frmMain>(toolkit, sys.system, kTestPage);
    if (!main->Form_Initialize()) return "refused to start";
    probe.Watch(*main, toolkit);
    main->mnuExit->OnClick = [this, inner = main->mnuExit->OnClick] {
      exitChosen_ = true;
      inner();
    };
    // A new arming starts its count before anything it lets through runs.
    main->cmdTimer->OnClick = [this, inner = main->cmdTimer->OnClick] {
      const bool armed = main->bTimerOn;
      inner();
      if (!armed && main->bTimerOn) firedThisArming_ = 0, deferred_ = false;
    };
    sys.log.during = [this](const std::string& routine) { DuringCall(routine); };
    toolkit.onDeliver = [this](const ui::Note& note, bool gone) { Delivered(note, gone); };
    // The queue is full now and then: the gate's post is refused.
    toolkit.refusePost = [this] { return Pick(6) == 0; };
    toolkit.onCommandCheck = [this](bool waiting) {
      if (waiting != CommandWaits()) Fail(waiting ? "a command was seen where none waited" : "a waiting command was missed");
      deferred_ = deferred_ || waiting;  // only the firing asks, and puts the action off
    };
    toolkit.onDiscard = [this] {
      std::erase_if(pending_, [](const auto& p) { return p.second == ui::Note::Kind::Command; });
    };
    // Sent at the top level while older notes wait for the loop.
    toolkit.sentMeanwhile = [this] {
      if (nested_ >= 2 || toolkit.quit || Pick(8) != 0) return;
      ++nested_;
      Note(nested_ + 8, "sent to the loop:");
      if (Pick(2) != 0) Tray(nested_ + 9);
      else Sent(nested_ + 9);
      --nested_;
    };
    while (events < limit && !toolkit.quit && failure_.empty()) Event(0);
    return failure_;
  }

  long events = 0;
  int actions = 0;
  bool exitChosen() const { return exitChosen_; }
  const std::string& Trace() const { return trace_; }

 private:
  struct Kind {
    const char* name;
    int weight;
    void (Interleaving::*act)(int depth);
  };
  static const Kind kKinds[10];

  int Pick(int n) { return static_cast<int>(rng_() % static_cast<std::uint64_t>(n)); }
  MemoryForm& Win() { return *static_cast<MemoryForm*>(main->Window()); }
  void Note(int depth, const std::string& what) {
    if (tracing_) trace_ += std::string(static_cast<std::size_t>(depth) * 2, ' ') + what + "\n";
  }

  void Event(int depth) {
    ++events;
    // What the next menu and modal window do while they wait for the user;
    // the About window's wait lasts until it closes.
    if (depth < 3) {
      toolkit.whileMenu = [this, depth] { Script(depth + 1, "menu waits"); };
      toolkit.whileModal = [this, depth] {
        Script(depth + 1, "About waits");
        auto* about = static_cast<MemoryForm*>(main->About().Window());
        for (int n = 0; about->Loaded() && !toolkit.quit && failure_.empty() && n < 8; ++n) Event(depth + 1);
        if (about->Loaded()) about->ClickBackground();
      };
    }
    Win().nextMenuChoice = kMenuChoices[Pick(std::size(kMenuChoices))];
    int total = 0;
    for (const Kind& k : kKinds) total += k.weight;
    int r = Pick(total);
    const Kind* kind = kKinds;
    while (r >= kind->weight) r -= (kind++)->weight;
    Note(depth, kind->name);
    (this->*kind->act)(depth);
    Check();
    // Back at the top level every held note has been handled.
    if (depth == 0 && !toolkit.quit && !pending_.empty()) Fail("a held note was never delivered");
  }

  void Script(int depth, const char* where) {
    Note(depth - 1, where);
    // A loop that waits for the user handles what was held before it.
    if (!pending_.empty()) Fail(std::string("held notes waited through a loop: ") + where);
    for (int n = Pick(4); n > 0 && !toolkit.quit && failure_.empty(); --n) Event(depth);
  }

  void TickEvent(int) {
    if (Pick(2) != 0) sys.clock.Advance(1);
    TopLevelTick();
    if (Pick(4) == 0) Win().Tick(*main->TrayTimer);
  }
  void JumpEvent(int depth) {
    const int jump = kJumps[Pick(std::size(kJumps))];
    Note(depth, "  by " + std::to_string(jump) + " s");
    sys.clock.Advance(jump);
    TopLevelTick();
  }
  // A tick from a loop (the program's, the menu's or About's): once the
  // deadline has come, it fires unless a user's command waits; once put
  // off, it fires a second or more past the deadline whatever waits.
  void TopLevelTick() {
    const bool due = main->bTimerOn && Win().TimerEnabled(*main->Timer) &&
                     platform::OleDateToSeconds(sys.clock.now) >= platform::OleDateToSeconds(main->dtTarget);
    const bool bound = due && PastTheBound();
    const int before = actions, waited = toolkit.commandsSeenWaiting;
    Win().Tick(*main->Timer);
    if (due && actions == before && toolkit.commandsSeenWaiting == waited) {
      Fail("a due tick with no command waiting did not fire");
    }
    if (bound && actions == before) Fail("the action was put off past the first tick a second after its deadline");
  }
  void TrayEvent(int depth) { Tray(depth); }
  void Tray(int depth) {
    // The mouse's notes, and those a tray of version 3 adds.
    static constexpr int kMessages[] = {512, 513, 514, 515, 516, 517, 123, 1024, 1025};
    const int message = kMessages[Pick(9)];
    Note(depth, "  " + std::to_string(message));
    Arriving(message == 512 ? ui::Note::Kind::PointerMove : ui::Note::Kind::Command);
    Win().TrayNotify(message);
  }
  // The shell starts anew and says so, at times refusing icons for a while;
  // or a refusing shell starts taking them, without a word.
  void RestartEvent(int depth) {
    const int what = Pick(3);
    refusing_ = what == 0;
    sys.api.addResult = refusing_ ? 0 : 1;
    Note(depth, what == 0 ? "  refusing" : what == 1 ? "  now taking icons" : "");
    if (what == 1) return;
    shellHasIcon_ = false;
    sys.api.modifyResult = 0;
    Arriving(ui::Note::Kind::Restart);
    Win().ShellRestart();
  }
  // What another program sends: a click, a character, a close request.
  void Sent(int depth) {

    ui::TextBox* const boxes[] = {main->txtPeriod, main->txtBlink};
    Arriving(ui::Note::Kind::Command);
    switch (Pick(4)) {
      case 0: {
        const std::int16_t key = kSentKeys[Pick(std::size(kSentKeys))];
        Note(depth, "  sent char " + std::to_string(key));
        Win().SendChar(*boxes[Pick(2)], key);
        break;
      }
      case 1:
        Note(depth, "  sent close");
        Win().SendClose();
        break;
      default:
        Note(depth, "  sent click");
        Win().SendClick(*main->cmdTimer);
    }
  }
  void SentEvent(int depth) { Sent(depth); }

  // The ledger: every note but a pointer move is delivered exactly once, and
  // all in the order they came, never to a window that has gone.
  void Arriving(ui::Note::Kind kind) {
    if (kind != ui::Note::Kind::PointerMove) pending_.push_back({toolkit.nextSerial + 1, kind});
  }
  void Delivered(const ui::Note& note, bool gone) {
    if (gone) Fail("a note was delivered to a window that has gone");
    if (note.serial <= lastDelivered_) Fail("a note was delivered twice or out of order");
    lastDelivered_ = note.serial;
    if (note.kind == ui::Note::Kind::PointerMove) return;
    if (pending_.empty() || pending_.front().first != note.serial) {
      Fail("a note was lost or overtaken");
      return;
    }
    pending_.pop_front();
  }
  bool PastTheBound() const {
    return deferred_ && platform::OleDateToSeconds(sys.clock.now) >= platform::OleDateToSeconds(main->dtTarget) + 1;
  }
  bool CommandWaits() const {
    if (!toolkit.input.empty()) return true;
    return std::any_of(pending_.begin(), pending_.end(),
                       [](const auto& p) { return p.second == ui::Note::Kind::Command; });
  }
  void ArmEvent(int depth) {
    // Now and then a machine without some sleep states, or an action call
    // that fails.
    sys.api.SetPowerCaps(Pick(4) == 0 ? static_cast<unsigned>(Pick(64)) : 0b11111);
    const std::int32_t result = Pick(4) == 0 ? 0 : 1;
    sys.api.exitResult = sys.api.suspendResult = sys.api.lockResult = result;
    Note(depth, result == 0 ? "  failing" : "");
    Win().Click(*main->cmdTimer);
  }
  void ModeEvent(int) { Win().Click(*main->opt[static_cast<std::size_t>(Pick(2))]); }
  void HideEvent(int) {
    if (Pick(2) != 0) Win().CloseButton();
    else Win().Type(27);
  }

  void EditEvent(int depth) {
    ui::TextBox* const boxes[] = {main->txtPeriod, main->txtHour, main->txtMin, main->txtBlink};
    ui::ScrollBar* const bars[] = {main->vsPeriod, main->vsHour, main->vsMin, main->vsBlink};
    const auto i = static_cast<std::size_t>(Pick(4));
    switch (Pick(8)) {
      case 0: {
        const char* text = kPasted[Pick(std::size(kPasted))];
        Note(depth, std::string("  paste \"") + text + "\" into " + boxes[i]->Name());
        Win().Paste(*boxes[i], text);
        break;
      }
      case 1: Win().TypeInto(*boxes[i], std::string(1, "0123456789:/a "[Pick(14)])); break;
      case 2: Win().SpinUp(*bars[i]); break;
      case 3: Win().SpinDown(*bars[i]); break;
      case 4: Win().Choose(*main->cmbUnit, Pick(3)); break;
      case 5: Win().Choose(*main->cmbAction, Pick(main->cmbAction->ListCount())); break;
      case 6: Win().Choose(*main->cmbT, Pick(2)); break;
      default: Win().Click(Pick(2) != 0 ? *main->chkBlink : *main->chkForce);
    }
  }

  void AboutEvent(int depth) {
    auto* about = static_cast<MemoryForm*>(main->About().Window());
    if (about == nullptr || !about->Loaded()) return;
    switch (Pick(3)) {
      case 0: Note(depth, "  closed"); about->ClickBackground(); break;
      case 1: about->MouseOver(*main->About().lblWebSite); break;
      default: Note(depth, "  link"); about->Click(*main->About().lblWebSite);
    }
  }

  // Inside a system call: the action's rules, and sometimes what the shell
  // sends while the call waits.
  void DuringCall(const std::string& routine) {
    if (routine == "ExitWindowsEx" || routine == "SetSuspendState" || routine == "LockWorkStation") {
      CheckAction(routine);
      return;
    }
    // From the moment Exit is chosen, the countdown has stopped and no icon is added.
    if (exitChosen_ && Win().TimerEnabled(*main->Timer)) Fail("the countdown ran on after Exit");
    const bool add = IsTrayCall(routine) && sys.log.back().args[0] == 0;
    if (exitChosen_ && add) Fail("an icon was added after Exit");
    // The privilege and version routines never wait for another thread, so
    // nothing arrives inside them.
    if (nested_ < 2 && Pick(8) == 0 && kQuietRoutines.find(routine) == std::string_view::npos) {
      ++nested_;
      ++events;
      Note(nested_ + 8, "inside " + routine + ":");
      for (int n = 1 + Pick(3); n > 0; --n) Arrival(routine);
      --nested_;
    }
    // The shell answers as it is when the call returns; it changes only an
    // icon it has.
    if (add) shellHasIcon_ = !refusing_;
    sys.api.modifyResult = shellHasIcon_ ? 1 : 0;
  }

  void Arrival(const std::string&) {
    switch (Pick(8)) {
      case 0:
        Note(nested_ + 9, "restart");
        RestartEvent(0);
        break;
      case 1:
        // Never delivered here: only a loop delivers ticks.
        Note(nested_ + 9, "tick");
        sys.clock.Advance(Pick(2));
        Win().Tick(*main->Timer);
        break;
      case 2:
        Note(nested_ + 9, "queued click");
        Win().QueueClick(*main->cmdTimer);
        break;
      case 3:
      case 4: Sent(nested_ + 9); break;
      default: Tray(nested_ + 9);
    }
  }

  void Fail(const std::string& rule) {
    if (failure_.empty()) failure_ = rule + " (after " + std::to_string(events) + " events)";
  }

  void CheckAction(const std::string& routine) {
    ++actions;
    if (++firedThisArming_ > 1) Fail("one arming fired twice");
    succeeded_ = (routine == "ExitWindowsEx"     ? sys.api.exitResult
                  : routine == "SetSuspendState" ? sys.api.suspendResult
                                                 : sys.api.lockResult) != 0;
    if (exitChosen_) Fail("the action ran after Exit");
    if (!main->bTimerOn) Fail("the action ran while disarmed");
    if (CommandWaits() && !PastTheBound()) Fail("the action ran while a user's command waited");
    if (platform::OleDateToSeconds(sys.clock.now) < platform::OleDateToSeconds(main->dtTarget)) {
      Fail("the action ran before its deadline");
    }
  }

  std::string ExpectedTip(bool armed) {
    return armed ? "程序将要在" + platform::DateText(main->dtTarget, sys.dateFormat) + "执行" + main->sAction
                 : "没设置动作";
  }
  static bool IsTrayCall(const std::string& routine) {
    return routine == "Shell_NotifyIconA" || routine == "Shell_NotifyIconW";
  }

  void Check() {
    if (probe.nestedStarts != 0) Fail("a handler started inside another handler's code");
    if (toolkit.quit) {
      const auto& tray = sys.log;
      auto last = std::find_if(tray.rbegin(), tray.rend(),
                               [](const doubles::Call& c) { return IsTrayCall(c.routine); });
      if (last == tray.rend() || last->args[0] != 2) Fail("an icon remains after the end");
      if (!succeeded_ && !exitChosen_) Fail("the program ended without Exit or a done action");
      return;
    }
    if (succeeded_) Fail("the program goes on after a done action");
    if (!Win().Loaded()) Fail("the main window went without the end");
    const bool armed = main->bTimerOn;
    if (Win().TimerEnabled(*main->Timer) != armed) Fail("the ticks and the armed state disagree");
    if ((main->cmdTimer->Caption() == "禁止定时器(&D)") != armed) {
      Fail("the button and the armed state disagree");
    }
    const std::string status = main->lblStatus->Caption();
    if (!armed && status.ends_with(" 秒后执行")) Fail("the status line counts while disarmed");
    if (sys.api.trayRecords.back().tip != ExpectedTip(armed)) Fail("the tray tip and the armed state disagree");
    // Without the icon the window stays within reach, and the icon is tried again.
    if (!shellHasIcon_ && !Win().Visible()) Fail("neither the icon nor the window can be reached");
    if (Win().Minimized() && !Win().taskbarButton) Fail("a minimised window has no taskbar button");
    if (!shellHasIcon_ && !Win().TimerEnabled(*main->TrayTimer)) Fail("a missing icon is not added again");
  }

  doubles::RecordingSystem sys;
  ui::memory::MemoryToolkit toolkit;
  std::unique_ptr<frmMain> main;
  HandlerProbe probe;
  std::mt19937_64 rng_;
  bool tracing_;
  std::string trace_, failure_;
  bool refusing_ = false, shellHasIcon_ = true;
  bool exitChosen_ = false;
  bool succeeded_ = false;  // the last action call reported success
  int firedThisArming_ = 0;
  bool deferred_ = false;  // this arming's action was put off
  int nested_ = 0;
  std::deque<std::pair<std::uint32_t, ui::Note::Kind>> pending_;
  std::uint32_t lastDelivered_ = 0;
};

const Interleaving::Kind Interleaving::kKinds[10] = {
    {"tick", 30, &Interleaving::TickEvent},   {"jump", 4, &Interleaving::JumpEvent},
    {"tray", 20, &Interleaving::TrayEvent},   {"restart", 2, &Interleaving::RestartEvent},
    {"cmdTimer", 9, &Interleaving::ArmEvent}, {"mode", 4, &Interleaving::ModeEvent},
    {"edit", 20, &Interleaving::EditEvent},   {"hide", 2, &Interleaving::HideEvent},
    {"about", 6, &Interleaving::AboutEvent},   {"sent", 3, &Interleaving::SentEvent},
};

long EnvOr(const char* name, long fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? std::strtol(value, nullptr, 10) : fallback;
}

TEST(Interleaving, OneActionOnceOnTimeNeverAfterExitWhateverArrives) {
  const long total = EnvOr("VESPERA_INTERLEAVING_EVENTS", 1000000);
  const auto first = static_cast<std::uint64_t>(EnvOr("VESPERA_INTERLEAVING_SEED", 1));
  long done = 0, runs = 0, fired = 0, exited = 0;
  const auto start = std::chrono::steady_clock::now();
  for (std::uint64_t seed = first; done < total; ++seed, ++runs) {
    const long limit = std::min(kRunLength, total - done);
    Interleaving run(seed, false);
    const std::string failure = run.Run(limit);
    if (!failure.empty()) {
      Interleaving replay(seed, true);
      replay.Run(limit);
      const std::string& trace = replay.Trace();
      const std::size_t from = trace.size() > 6000 ? trace.find('\n', trace.size() - 6000) + 1 : 0;
      FAIL() << failure << "\nreplay it alone: VESPERA_INTERLEAVING_SEED=" << seed
             << " VESPERA_INTERLEAVING_EVENTS=" << limit << "\nthe run's last events:\n"
             << trace.substr(from);
    }
    done += run.events;
    fired += run.actions;
    exited += run.exitChosen() ? 1 : 0;
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("interleavings: %ld events in %ld runs (%ld fired, %ld exited), %.2f s, %.0f events/s\n",
              done, runs, fired, exited, seconds, static_cast<double>(done) / seconds);
  // The runs reached both ends of the program, not only its middle.
  EXPECT_GT(fired, 0);
  EXPECT_GT(exited, 0);
}

}  // namespace
