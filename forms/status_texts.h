// What the status line says when arming is refused or the action fails.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "modules/modShutdown.h"

namespace status_texts {

// The reason for a refusal; the version guard names the action.
std::string RefusalText(modShutdown::Refusal refusal, const std::string& action);
// The action, "失败：" and the reason the error stands for.
std::string FailureText(const std::string& action, std::uint32_t error);
// Every refusal and failure text of these actions, a failure with the
// widest error number among them: the texts whose room a check measures.
std::vector<std::string> EveryText(const std::vector<std::string>& actions);

}  // namespace status_texts
