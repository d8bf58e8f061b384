#include "ui/memory/memory_toolkit.h"

#include <algorithm>
#include <utility>

namespace ui::memory {

void RaiseChange(MemoryToolkit& toolkit, const std::function<void()>& handler) {
  if (!handler) return;
  ++toolkit.changeDepth;
  toolkit.maxChangeDepth = std::max(toolkit.maxChangeDepth, toolkit.changeDepth);
  toolkit.gate.Raise(handler);
  --toolkit.changeDepth;
}

MemoryToolkit::MemoryToolkit()
    : gate(
          [](void* self) {
            auto* kit = static_cast<MemoryToolkit*>(self);
            if (kit->refusePost && kit->refusePost()) return false;
            kit->posted.push_back([kit] { kit->gate.Drain(); });
            return true;
          },
          [](void* self) { static_cast<MemoryToolkit*>(self)->retryDue = true; }, this,
          [](const Note& note) { const_cast<MemoryForm*>(static_cast<const MemoryForm*>(note.form))->Deliver(note); }) {
  gate.afterHandler = [](void* self) {
    auto* kit = static_cast<MemoryToolkit*>(self);
    // A label whose window has gone is read by no one.
    for (MemLabel* label : std::exchange(kit->pendingAnnouncements, {})) {
      if (label->Window().Loaded()) kit->announcements.push_back({label->Name(), label->Caption()});
    }
  };
}

bool MemoryToolkit::UserCommandWaiting() {
  const bool waiting = gate.CommandHeld() || !input.empty();
  commandsSeenWaiting += waiting ? 1 : 0;
  if (onCommandCheck) onCommandCheck(waiting);
  return waiting;
}

void MemoryToolkit::DiscardUserCommands() {
  gate.DiscardCommands();
  input.clear();
  if (onDiscard) onDiscard();
}

void MemoryToolkit::WaitForUser(std::function<void()>& script) {
  HandlerGate::UserWait wait(gate);
  const std::function<void()> events = std::exchange(script, nullptr);
  const std::function<void()> loop = [&] {
    PumpPosted();
    if (events) events();
    PumpPosted();
  };
  if (aroundWait) aroundWait(loop);
  else loop();
}

void MemoryToolkit::PumpPosted() {
  while (!posted.empty() || !input.empty() || retryDue) {
    if (sentMeanwhile) sentMeanwhile();
    if (posted.empty() && input.empty()) {
      // The retry's timer comes once nothing else waits.
      if (!std::exchange(retryDue, false)) break;
      gate.Retry();
      continue;
    }
    auto& queue = posted.empty() ? input : posted;
    const std::function<void()> message = std::move(queue.front());
    queue.pop_front();
    message();
  }
}

std::unique_ptr<Form> MemoryToolkit::CreateForm(const FormDesign& design) {
  auto form = std::make_unique<MemoryForm>(*this, design, nextHwnd_);
  nextHwnd_ += 0x10;
  forms.push_back(form.get());
  return form;
}

void MemoryToolkit::Forget(MemoryForm* form) {
  forms.erase(std::remove(forms.begin(), forms.end(), form), forms.end());
}

void MemoryToolkit::MessageBox(const std::string& text, const std::string& title, MessageIcon icon) {
  messageBoxes.push_back({text, title, icon});
}

}  // namespace ui::memory
