// The tray record: its tip field, its ANSI form in code pages 936 and 65001
// (UTF-8), and its wide form.
#include <gtest/gtest.h>

#include <string>

#include "modules/modTray.h"
#include "platform/text.h"
#include "tests/doubles/recording_system.h"

namespace {

std::u16string TipOf(const modTray::NotifyIconData& nid) {
  return std::u16string(nid.szTip, std::size(nid.szTip));
}

TEST(SetTrayTip, AddsOneNulAndPadsWithBlanks) {
  modTray::NotifyIconData nid{};
  modTray::SetTrayTip(nid, "没设置动作");
  const std::u16string tip = TipOf(nid);
  EXPECT_EQ(tip.substr(0, 6), std::u16string(u"没设置动作") + u'\0');
  EXPECT_EQ(tip.substr(6), std::u16string(58, u' '));
}

TEST(SetTrayTip, CutsALongTipTo64CharactersLosingTheNul) {
  modTray::NotifyIconData nid{};
  modTray::SetTrayTip(nid, std::string(70, 'x'));
  EXPECT_EQ(TipOf(nid), std::u16string(64, u'x'));
}

TEST(AnsiRecord, Is88BytesWithTheTipInCodePage936) {
  doubles::Gbk936 gbk;
  modTray::NotifyIconData nid{};
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

// A long tip is cut on a character boundary of its code page (none: the
// wide record), and the field always ends in a NUL.
TEST(AnsiRecord, CutsALongTipOnACharacterBoundaryAndAlwaysEndsInANul) {
  doubles::Gbk936 gbk;
  doubles::DocumentedConversion utf8Conversion;
  utf8Conversion.acp = 65001;
  platform::SystemCodePage utf8(utf8Conversion);
  std::string wide40;
  for (int i = 0; i < 40; ++i) wide40 += "执";
  struct Case {
    platform::CodePage* codePage;
    std::string tip;
    std::size_t bytes;  // before the NUL
  };
  for (const Case& c : {
           Case{&gbk, wide40, 62},                          // 31 double-byte characters fit
           Case{&gbk, "x" + wide40, 63},                    // one ASCII, then 31 characters
           Case{&gbk, std::string(64, 'a'), 63},            // no NUL in the wide field
           Case{&gbk, "程序将要在2012-10-30 22:30:00执行重新启动", 41},
           Case{&gbk, "a\xF0\x9F\x98\x80" "b", 3},          // no GBK form: one '?'
           Case{&utf8, wide40, 63},                         // 21 three-byte characters fit
           Case{&utf8, "x" + wide40, 61},                   // then 20: the 21st would end at 64
           Case{&utf8, "xy" + wide40, 62},
           Case{&utf8, std::string(64, 'a'), 63},
           Case{&utf8, "程序将要在2012-10-30 22:30:00执行重新启动", 52},
           Case{&utf8, std::string(60, 'a') + "\xF0\x9F\x98\x80", 60},  // a four-byte one does not fit
           Case{&utf8, "a\xF0\x9F\x98\x80" "b", 6},
           Case{nullptr, wide40, 40},                       // UTF-16 units
           Case{nullptr, std::string(64, 'a'), 63},
           Case{nullptr, std::string(62, 'a') + "\xF0\x9F\x98\x80", 62},  // not half of the pair
       }) {
    modTray::NotifyIconData nid{};
    modTray::SetTrayTip(nid, c.tip);
    SCOPED_TRACE(c.tip);
    if (c.codePage == nullptr) {
      const platform::NotifyIconDataW w = modTray::ToWide(nid);
      const std::u16string_view tip(w.szTip, 64);
      EXPECT_EQ(tip.find(u'\0'), c.bytes);
      EXPECT_EQ(tip.substr(0, c.bytes), platform::Utf8ToUtf16(c.tip).substr(0, c.bytes));
      continue;
    }
    const platform::NotifyIconDataA a = modTray::ToAnsi(nid, *c.codePage);
    EXPECT_EQ(std::string(a.szTip).size(), c.bytes);
    EXPECT_EQ(a.szTip[c.bytes], '\0');
    // A prefix of the whole tip's conversion: no character left in halves.
    EXPECT_EQ(c.codePage->ToAnsi(platform::Utf8ToUtf16(c.tip)).substr(0, c.bytes), std::string(a.szTip));
  }
}

// What the system is asked for in each ANSI code page, against a conversion
// that refuses what Windows refuses.
TEST(SystemCodePage, AsksUtf8ForNoFlagsAndNoDefaultCharacter) {
  const std::u16string idle = u"没设置动作";
  doubles::DocumentedConversion utf8;
  utf8.acp = 65001;
  platform::SystemCodePage cp65001(utf8);
  EXPECT_EQ(cp65001.ToAnsi(idle), "没设置动作");
  EXPECT_EQ(cp65001.ToAnsi(u"a\xD800" u"b"), "a\xEF\xBF\xBD" "b");  // a lone surrogate
  ASSERT_EQ(utf8.requests.size(), 2u);
  for (const auto& r : utf8.requests) {
    EXPECT_EQ(r.flags, 0u);
    EXPECT_FALSE(r.defaultChar);
    EXPECT_FALSE(r.refused);
  }

  // Code page 936 as before: no best fit and '?', the same bytes as GBK.
  doubles::DocumentedConversion gbk;
  platform::SystemCodePage cp936(gbk);
  EXPECT_EQ(cp936.ToAnsi(idle), doubles::Gbk936().ToAnsi(idle));
  EXPECT_EQ(cp936.ToAnsi(u"a\U0001F600"), "a?");
  ASSERT_EQ(gbk.requests.size(), 2u);
  EXPECT_EQ(gbk.requests[0].flags, platform::AnsiConversion::kNoBestFitChars);
  EXPECT_TRUE(gbk.requests[0].defaultChar);
  EXPECT_EQ(cp936.ToAnsi(u""), "");
}

}  // namespace
