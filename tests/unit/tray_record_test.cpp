// The tray record: its tip field and its ANSI form in code page 936.
#include <gtest/gtest.h>

#include <string>

#include "modules/modTray.h"
#include "platform/text.h"
#include "tests/doubles/recording_system.h"

namespace {

std::u16string TipOf(const modTray::NotifyIconData& nid) {
  return std::u16string(nid.szTip.begin(), nid.szTip.end());
}

TEST(SetTrayTip, AddsOneNulAndPadsWithBlanks) {
  modTray::NotifyIconData nid;
  modTray::SetTrayTip(nid, "没设置动作");
  const std::u16string tip = TipOf(nid);
  EXPECT_EQ(tip.substr(0, 6), std::u16string(u"没设置动作") + u'\0');
  EXPECT_EQ(tip.substr(6), std::u16string(58, u' '));
}

TEST(SetTrayTip, CutsALongTipTo64CharactersLosingTheNul) {
  modTray::NotifyIconData nid;
  modTray::SetTrayTip(nid, std::string(70, 'x'));
  EXPECT_EQ(TipOf(nid), std::u16string(64, u'x'));
}

TEST(AnsiRecord, Is88BytesWithTheTipInCodePage936) {
  doubles::Gbk936 gbk;
  modTray::NotifyIconData nid;
  nid.cbSize = 88;
  nid.hWnd = 0x1234;
  nid.uID = 1;
  nid.uFlags = 7;
  nid.uCallbackMessage = 512;
  nid.hIcon = 0x99;
  modTray::SetTrayTip(nid, "没设置动作");
  const platform::NotifyIconDataA a = modTray::ToAnsi(nid, gbk);
  EXPECT_EQ(a.cbSize, 88u);
  EXPECT_EQ(a.hWnd, 0x1234u);
  EXPECT_EQ(a.uFlags, 7u);
  EXPECT_EQ(a.uCallbackMessage, 512u);
  EXPECT_EQ(a.hIcon, 0x99u);
  // 没设置动作 in GBK: five characters of two bytes each.
  EXPECT_EQ(std::string(a.szTip, 10), "\xC3\xBB\xC9\xE8\xD6\xC3\xB6\xAF\xD7\xF7");
  EXPECT_EQ(a.szTip[10], '\0');
  EXPECT_EQ(std::string(a.szTip + 11, 53), std::string(53, ' '));
}

TEST(AnsiRecord, CutsALongTipOnACharacterBoundaryAndAlwaysEndsInANul) {
  doubles::Gbk936 gbk;
  struct Case {
    std::string tip;
    std::size_t bytes;  // before the NUL
  };
  const std::string wide40 = [] {
    std::string s;
    for (int i = 0; i < 40; ++i) s += "执";
    return s;
  }();
  for (const Case& c : {
           Case{wide40, 62},                        // 31 double-byte characters fit
           Case{"x" + wide40, 63},                  // one ASCII, then 31 characters
           Case{std::string(64, 'a'), 63},          // no NUL in the wide field
           Case{"程序将要在2012-10-30 22:30:00执行重新启动", 41},
           Case{"a\xF0\x9F\x98\x80" "b", 3},        // no GBK form: one '?'
       }) {
    modTray::NotifyIconData nid;
    modTray::SetTrayTip(nid, c.tip);
    const platform::NotifyIconDataA a = modTray::ToAnsi(nid, gbk);
    SCOPED_TRACE(c.tip);
    EXPECT_EQ(std::string(a.szTip).size(), c.bytes);
    EXPECT_EQ(a.szTip[c.bytes], '\0');
    // No lead byte left without its trail byte.
    const std::u16string back = platform::Utf8ToUtf16(c.tip);
    EXPECT_EQ(gbk.ToAnsi(back).substr(0, c.bytes), std::string(a.szTip));
  }
}

}  // namespace
