#include "forms/status_texts.h"

#include <iterator>

#include "modules/modConstants.h"

namespace status_texts {

namespace {

// By refusal, from Version on.
constexpr const char* kReasons[] = {"这个Windows版本不能", "现代待机的电脑不能挂起", "这台电脑不能挂起",
                                    "开休眠需管理员命令提示符：powercfg /h on",
                                    "休眠文件只供快速启动，见使用说明"};

struct Failure {
  std::uint32_t error;
  const char* reason;
};
// Any other error is told by its number.
constexpr Failure kFailures[] = {{modConstants::ERROR_PRIVILEGE_NOT_HELD, "没有权限"},
                                 {modConstants::ERROR_NOT_SUPPORTED, "系统不支持"},
                                 {modConstants::ERROR_CALL_NOT_IMPLEMENTED, "系统不支持"}};

}  // namespace

std::string RefusalText(modShutdown::Refusal refusal, const std::string& action) {
  std::string text = kReasons[static_cast<int>(refusal) - 1];
  if (refusal == modShutdown::Refusal::Version) text.append(action);
  return text;
}

std::string FailureText(const std::string& action, std::uint32_t error) {
  std::string text = action;
  text.append("失败：");
  for (const Failure& f : kFailures) {
    if (f.error == error) return text.append(f.reason);
  }
  return text.append("错误").append(std::to_string(error));
}

std::vector<std::string> EveryText(const std::vector<std::string>& actions) {
  std::vector<std::string> texts;
  for (const std::string& action : actions) {
    for (int r = 1; r <= static_cast<int>(std::size(kReasons)); ++r) {
      texts.push_back(RefusalText(static_cast<modShutdown::Refusal>(r), action));
    }
    for (const Failure& f : kFailures) texts.push_back(FailureText(action, f.error));
    texts.push_back(FailureText(action, 0xFFFFFFFFu));
  }
  return texts;
}

}  // namespace status_texts
