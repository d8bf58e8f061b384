// Long random runs of everything that can reach the program: ticks with the
// clock moving and jumping, tray notifications at the top level and inside
// every system call the program makes, menus and the About window left open
// across ticks, arming, edits, mode switches and shell restarts. After every
// event the program's promises must hold. Each run is seeded and replayable.
//
//   VESPERA_INTERLEAVING_EVENTS  events in all (default 1,000,000)
//   VESPERA_INTERLEAVING_SEED    seed of the first run (default 1); run i has seed + i
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>

#include "tests/forms/main_window_fixture.h"

namespace {

using ui::memory::MemoryForm;

const char* const kPasted[] = {"",   "0",    "1",     "2",    "5",    "59",  "999", "1000",
                               "-3", "1.5",  "1e2",   "12ab", "&H10", " 7 ", "中",  "\t3"};
const int kJumps[] = {-86400, -3600, -61, 2, 59, 600, 3600, 90000};
const char* const kMenuChoices[] = {"", "", "", "", "", "mnuAbout", "mnuAbout", "mnuSep", "mnuExit"};
constexpr long kRunLength = 3000;

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
    sys.log.during = [this](const std::string& routine) { DuringCall(routine); };
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
  static const Kind kKinds[9];

  int Pick(int n) { return static_cast<int>(rng_() % static_cast<std::uint64_t>(n)); }
  MemoryForm& Win() { return *static_cast<MemoryForm*>(main->Window()); }
  void Note(int depth, const std::string& what) {
    if (tracing_) trace_ += std::string(static_cast<std::size_t>(depth) * 2, ' ') + what + "\n";
  }

  void Event(int depth) {
    ++events;
    // What the next menu and modal window do while they wait for the user.
    if (depth < 3) {
      toolkit.whileMenu = [this, depth] { Script(depth + 1, "menu waits"); };
      toolkit.whileModal = [this, depth] { Script(depth + 1, "About waits"); };
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
  }

  void Script(int depth, const char* where) {
    Note(depth - 1, where);
    for (int n = Pick(4); n > 0 && !toolkit.quit && failure_.empty(); --n) Event(depth);
  }

  void TickEvent(int) {
    if (Pick(2) != 0) sys.clock.Advance(1);
    Win().Tick(*main->Timer);
  }
  void JumpEvent(int depth) {
    const int jump = kJumps[Pick(std::size(kJumps))];
    Note(depth, "  by " + std::to_string(jump) + " s");
    sys.clock.Advance(jump);
    Win().Tick(*main->Timer);
  }
  void TrayEvent(int depth) { Tray(depth); }
  void Tray(int depth) {
    // The mouse's notes, and those a tray of version 3 adds.
    static constexpr int kMessages[] = {512, 513, 514, 515, 516, 517, 123, 1024, 1025};
    const int message = kMessages[Pick(9)];
    Note(depth, "  " + std::to_string(message));
    Win().TrayNotify(message);
  }
  void RestartEvent(int) { Win().ShellRestart(); }
  void ArmEvent(int) { Win().Click(*main->cmdTimer); }
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
      CheckAction();
    }
    // From the moment Exit is chosen, the countdown has stopped and no icon is added.
    if (exitChosen_ && Win().TimerEnabled(*main->Timer)) Fail("the countdown ran on after Exit");
    if (exitChosen_ && routine == "Shell_NotifyIconA" && sys.log.back().args[0] == 0) {
      Fail("an icon was added after Exit");
    }
    if (nested_ >= 2 || Pick(8) != 0) return;
    ++nested_;
    ++events;
    Note(nested_ + 8, "inside " + routine + ":");
    if (Pick(6) == 0) {
      Note(nested_ + 9, "restart");
      Win().ShellRestart();
    } else {
      Tray(nested_ + 9);
    }
    --nested_;
  }

  void Fail(const std::string& rule) {
    if (failure_.empty()) failure_ = rule + " (after " + std::to_string(events) + " events)";
  }

  void CheckAction() {
    ++actions;
    if (actions > 1) Fail("the action ran twice");
    if (exitChosen_) Fail("the action ran after Exit");
    if (!main->bTimerOn) Fail("the action ran while disarmed");
    if (platform::OleDateToSeconds(sys.clock.now) < platform::OleDateToSeconds(main->dtTarget)) {
      Fail("the action ran before its deadline");
    }
  }

  const std::string& ExpectedTip(bool armed) {
    const std::string text = armed ? "程序将要在" + platform::DateText(main->dtTarget, sys.dateFormat) +
                                         "执行" + main->sAction
                                   : "没设置动作";
    auto it = tips_.find(text);
    if (it == tips_.end()) {
      it = tips_.emplace(text, sys.codePage.ToAnsi(platform::Utf8ToUtf16(text))).first;
    }
    return it->second;
  }

  void Check() {
    if (probe.nestedStarts != 0) Fail("a handler started inside another handler's code");
    if (toolkit.quit) {
      const auto& tray = sys.log;
      auto last = std::find_if(tray.rbegin(), tray.rend(),
                               [](const doubles::Call& c) { return c.routine == "Shell_NotifyIconA"; });
      if (last == tray.rend() || last->args[0] != 2) Fail("an icon remains after the end");
      if (actions == 0 && !exitChosen_) Fail("the program ended without Exit or the action");
      return;
    }
    if (actions != 0) Fail("the program goes on after the action");
    if (!Win().Loaded()) Fail("the main window went without the end");
    const bool armed = main->bTimerOn;
    if (Win().TimerEnabled(*main->Timer) != armed) Fail("the ticks and the armed state disagree");
    if ((main->cmdTimer->Caption() == "禁止定时器(&D)") != armed) {
      Fail("the button and the armed state disagree");
    }
    const std::string status = main->lblStatus->Caption();
    if (!armed && status.ends_with(" 秒后执行")) Fail("the status line counts while disarmed");
    if (std::string(sys.api.trayRecords.back().szTip) != ExpectedTip(armed)) {
      Fail("the tray tip and the armed state disagree");
    }
  }

  doubles::RecordingSystem sys;
  ui::memory::MemoryToolkit toolkit;
  std::unique_ptr<frmMain> main;
  HandlerProbe probe;
  std::mt19937_64 rng_;
  bool tracing_;
  std::string trace_, failure_;
  std::map<std::string, std::string> tips_;
  bool exitChosen_ = false;
  int nested_ = 0;
};

const Interleaving::Kind Interleaving::kKinds[9] = {
    {"tick", 30, &Interleaving::TickEvent},   {"jump", 4, &Interleaving::JumpEvent},
    {"tray", 20, &Interleaving::TrayEvent},   {"restart", 2, &Interleaving::RestartEvent},
    {"cmdTimer", 9, &Interleaving::ArmEvent}, {"mode", 4, &Interleaving::ModeEvent},
    {"edit", 20, &Interleaving::EditEvent},   {"hide", 2, &Interleaving::HideEvent},
    {"about", 6, &Interleaving::AboutEvent},
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
