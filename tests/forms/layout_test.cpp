// Both windows laid out at the DPI of their monitor: every place of the
// design is MulDiv(twips, dpi, 1440), the fonts 9 points at that DPI.
#include <array>
#include <cmath>

#include "tests/forms/main_window_fixture.h"
#include "ui/layout.h"

namespace {

struct Placed {
  const char* name;
  ui::Rect twips;  // inside its container
};

// The designs, as the windows' tables give them.
constexpr Placed kMain[] = {
    {"cmdTimer", {180, 3660, 3435, 315}}, {"frame", {180, 180, 3435, 3315}},
    {"pic", {150, 930, 3075, 825}},       {"opt(0)", {30, 60, 675, 195}},
    {"txtPeriod", {750, 0, 495, 315}},    {"vsPeriod", {1230, 0, 165, 315}},
    {"cmbUnit", {1530, 0, 1515, 315}},    {"opt(1)", {30, 540, 675, 195}},
    {"txtHour", {750, 480, 495, 315}},    {"vsHour", {1230, 480, 165, 315}},
    {"txtMin", {1530, 480, 495, 315}},    {"vsMin", {2010, 480, 165, 315}},
    {"cmbT", {2310, 480, 735, 315}},      {"lbl(0)", {180, 480, 360, 180}},
    {"cmbAction", {900, 420, 2295, 315}}, {"chkForce", {210, 1920, 3075, 255}},
    {"chkBlink", {210, 2340, 2475, 255}}, {"txtBlink", {900, 2760, 495, 315}},
    {"vsBlink", {1380, 2760, 165, 315}},  {"lbl(1)", {1680, 2820, 180, 180}},
    {"lblStatus", {0, 4140, 3795, 195}},
};
constexpr Placed kAbout[] = {
    {"Image1", {600, 480, 480, 480}},
    {"lblME", {2100, 240, 3495, 795}},
    {"lblWebSite", {3240, 1920, 2415, 180}},
};

// MulDiv's rule, worked out in floating point: the nearest pixel, halves up.
int Reference(int value, int dpi, int per) { return static_cast<int>(std::lround(double(value) * dpi / per)); }

ui::Rect ReferenceRect(const ui::Rect& t, int dpi) {
  return {Reference(t.left, dpi, 1440), Reference(t.top, dpi, 1440),
          Reference(t.width, dpi, 1440), Reference(t.height, dpi, 1440)};
}

void ExpectLaidOutAt(const ui::memory::MemoryForm& form, const Placed* begin, const Placed* end,
                     int clientWidth, int clientHeight, int dpi) {
  SCOPED_TRACE(form.Design().name + " at " + std::to_string(dpi) + " DPI");
  const ui::Rect client = form.ClientPixels();
  EXPECT_EQ(client.width, Reference(clientWidth, dpi, 1440));
  EXPECT_EQ(client.height, Reference(clientHeight, dpi, 1440));
  for (const Placed* p = begin; p != end; ++p) {
    SCOPED_TRACE(p->name);
    const ui::Control* c = form.Find(p->name);
    ASSERT_NE(c, nullptr);
    const ui::Rect want = ReferenceRect(p->twips, dpi), got = form.PixelsOf(*c);
    EXPECT_EQ(got.left, want.left);
    EXPECT_EQ(got.top, want.top);
    EXPECT_EQ(got.width, want.width);
    EXPECT_EQ(got.height, want.height);
    EXPECT_EQ(form.FontHeightOf(*c), -Reference(9, dpi, 72));
  }
}

TEST_F(MainWindowTest, BothWindowsAreTheDesignAtTheirDpiAndAgainAfterAChange) {
  toolkit.dpi = 120;
  ASSERT_TRUE(Start());
  Win().nextMenuChoice = "mnuAbout";
  Win().TrayRightClick();
  ASSERT_NE(AboutWin(), nullptr);
  for (int dpi : {120, 96, 144, 168, 192, 240, 216}) {
    Win().ChangeDpi(dpi);
    AboutWin()->ChangeDpi(dpi);
    ExpectLaidOutAt(Win(), std::begin(kMain), std::end(kMain), 3780, 4335, dpi);
    ExpectLaidOutAt(*AboutWin(), std::begin(kAbout), std::end(kAbout), 5775, 2175, dpi);
  }
  // At 96 DPI, 15 twips to the pixel as before; at 216 the 567 x 650 window.
  Win().ChangeDpi(96);
  EXPECT_EQ(Win().PixelsOf(*main->lblStatus).width, 253);
  EXPECT_EQ(Win().ClientPixels().width, 252);
  Win().ChangeDpi(216);
  EXPECT_EQ(Win().ClientPixels().width, 567);
  EXPECT_EQ(Win().ClientPixels().height, 650);
}

TEST(LayoutRule, RoundsAsMulDivHalvesAwayFromZero) {
  // 3435 twips at 144 DPI are 343.5 pixels; at 120, 286.25.
  EXPECT_EQ(ui::Pixels(3435, 144), 344);
  EXPECT_EQ(ui::Pixels(3435, 120), 286);
  EXPECT_EQ(ui::Pixels(-3435, 144), -344);
  EXPECT_EQ(ui::Pixels(4335, 216), 650);
  // 9 points: 12 pixels at 96 DPI, 13.5 -> 14 at 108, 30 at 240.
  EXPECT_EQ(ui::FontHeight(9, 96), -12);
  EXPECT_EQ(ui::FontHeight(9, 108), -14);
  EXPECT_EQ(ui::FontHeight(9, 240), -30);
}

TEST(LayoutRule, ALineOfTextGrowsAboutItsMiddleInsideItsContainer) {
  // box, line, container height, and the box laid out.
  struct Case { ui::Rect box; int line, container; ui::Rect want; };
  for (const Case& c : {Case{{216, 320, 161, 30}, 35, 363, {216, 318, 161, 35}},  // about its middle
                        Case{{0, 276, 253, 13}, 14, 289, {0, 275, 253, 14}},      // upward from the edge
                        Case{{140, 16, 233, 53}, 14, 145, {140, 16, 233, 53}}}) {  // a line high already
    const ui::Rect got = ui::FitLine(c.box, c.line, c.container);
    EXPECT_EQ((std::array{got.left, got.top, got.width, got.height}),
              (std::array{c.want.left, c.want.top, c.want.width, c.want.height}))
        << "top " << c.box.top << ", height " << c.box.height << ", line " << c.line;
  }
}

}  // namespace
