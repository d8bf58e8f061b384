#include "modules/modTray.h"

#include <cstring>
#include <string>

#include "modules/modConstants.h"
#include "platform/text.h"

namespace modTray {

void SetTrayTip(NotifyIconData& nid, std::string_view text) {
  std::u16string tip = platform::Utf8ToUtf16(text);
  tip += u'\0';
  tip.resize(kTipLength, u' ');
  std::copy(tip.begin(), tip.end(), nid.szTip.begin());
}

platform::NotifyIconDataA ToAnsi(const NotifyIconData& nid, platform::CodePage& codePage) {
  platform::NotifyIconDataA a{};
  a.cbSize = nid.cbSize;
  a.hWnd = static_cast<std::uint32_t>(nid.hWnd);
  a.uID = nid.uID;
  a.uFlags = nid.uFlags;
  a.uCallbackMessage = nid.uCallbackMessage;
  a.hIcon = static_cast<std::uint32_t>(nid.hIcon);

  const std::u16string_view tip(nid.szTip.data(), nid.szTip.size());
  const std::u16string_view shown = tip.substr(0, tip.find(u'\0'));
  std::string bytes;
  for (std::size_t i = 0; i < shown.size();) {
    // A surrogate pair is one character.
    const bool pair = shown[i] >= 0xD800 && shown[i] < 0xDC00 && i + 1 < shown.size();
    const std::size_t units = pair ? 2 : 1;
    const std::string ch = codePage.ToAnsi(shown.substr(i, units));
    if (bytes.size() + ch.size() > sizeof a.szTip - 1) break;
    bytes += ch;
    i += units;
  }
  std::memset(a.szTip, ' ', sizeof a.szTip);
  std::memcpy(a.szTip, bytes.data(), bytes.size());
  a.szTip[bytes.size()] = '\0';
  return a;
}

bool SetVersion3(const platform::System& system, const NotifyIconData& nid) {
  platform::NotifyIconVersionA record{};
  record.cbSize = sizeof record;
  record.hWnd = static_cast<std::uint32_t>(nid.hWnd);
  record.uID = nid.uID;
  record.uVersion = modConstants::NOTIFYICON_VERSION;
  return system.api.Shell_NotifyIconA(modConstants::NIM_SETVERSION, &record) != 0;
}

void NotifyIcon(const platform::System& system, std::uint32_t message, const NotifyIconData& nid) {
  const platform::NotifyIconDataA record = ToAnsi(nid, system.codePage);
  system.api.Shell_NotifyIconA(message, &record);
}

}  // namespace modTray
