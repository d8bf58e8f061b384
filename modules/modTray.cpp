#include "modules/modTray.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>

#include "modules/modConstants.h"
#include "platform/text.h"

namespace modTray {

void SetTrayTip(NotifyIconData& nid, std::string_view text) {
  std::u16string tip = platform::Utf8ToUtf16(text);
  tip += u'\0';
  tip.resize(kTipLength, u' ');
  std::copy(tip.begin(), tip.end(), nid.szTip);
}

platform::NotifyIconDataA ToAnsi(const NotifyIconData& nid, platform::CodePage& codePage) {
  platform::NotifyIconDataA a;
  // The same fields before the tip.
  std::memcpy(&a, &nid, offsetof(NotifyIconData, szTip));

  const std::u16string_view tip(nid.szTip, kTipLength);
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

platform::NotifyIconDataW ToWide(const NotifyIconData& nid) {
  NotifyIconData w = nid;
  if (std::u16string_view(w.szTip, kTipLength).find(u'\0') == std::u16string_view::npos) {
    // The shell stops at the NUL: a surrogate pair is not cut in halves.
    std::size_t end = kTipLength - 1;
    if (w.szTip[end - 1] >= 0xD800 && w.szTip[end - 1] < 0xDC00) --end;
    w.szTip[end] = u'\0';
  }
  return w;
}

bool NotifyIcon(const platform::System& system, std::uint32_t message, const NotifyIconData& nid,
                bool wide) {
  if (wide) {
    const platform::NotifyIconDataW record = ToWide(nid);
    return system.api.Shell_NotifyIconW(message, &record) != 0;
  }
  const platform::NotifyIconDataA record = ToAnsi(nid, system.codePage);
  return system.api.Shell_NotifyIconA(message, &record) != 0;
}

bool NotifyShell5(const platform::System& system, std::uint32_t message, const NotifyIconData& nid) {
  platform::NotifyIconVersionA record{};
  record.cbSize = sizeof record;
  record.hWnd = nid.hWnd;
  record.uID = nid.uID;
  // NIM_SETFOCUS does not read it.
  record.uVersion = modConstants::NOTIFYICON_VERSION;
  return system.api.Shell_NotifyIconA(message, &record) != 0;
}

bool IconRect(const platform::System& system, const NotifyIconData& nid, platform::ScreenRect& rect) {
  platform::NotifyIconIdentifier icon{};
  icon.cbSize = sizeof icon;
  icon.hWnd = nid.hWnd;
  icon.uID = nid.uID;
  return system.api.Shell_NotifyIconGetRect(&icon, &rect) == 0;
}

}  // namespace modTray
