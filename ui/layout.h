// Twips to pixels at a window's DPI: one rule for every coordinate of a
// design and for the fonts, shared by both backends.
#pragma once

#include "ui/controls.h"

namespace ui {

inline constexpr int kDefaultDpi = 96;

// n / d rounded to the nearest integer, halves away from zero, as the
// window system's MulDiv rounds (d > 0). In 32 bits: a design's twips
// (below 32768) times a DPI stay far below 2^31, and the program links no
// 64-bit division.
constexpr int DivideRounded(int n, int d) { return (n >= 0 ? n + d / 2 : n - d / 2) / d; }

// MulDiv(twips, dpi, 1440).
constexpr int Pixels(int twips, int dpi) { return DivideRounded(twips * dpi, 1440); }

// Every coordinate scaled on its own, as the design gives it.
constexpr Rect PixelRect(const Rect& twips, int dpi) {
  return {Pixels(twips.left, dpi), Pixels(twips.top, dpi), Pixels(twips.width, dpi),
          Pixels(twips.height, dpi)};
}

// A box that shows a line of text is at least a line of its font high
// (line: its cell in pixels, an underline below it included). A lower one
// grows about its middle, and is moved up where it would pass its
// container's bottom edge: a strip along that edge grows upward.
constexpr Rect FitLine(const Rect& box, int line, int containerHeight) {
  if (box.height >= line) return box;
  int top = box.top - (line - box.height) / 2;
  if (top + line > containerHeight) top = containerHeight - line;
  return {box.left, top, box.width, line};
}

// The LOGFONT height of a font of that many points: the character height
// in pixels, negative.
constexpr int FontHeight(int points, int dpi) { return -DivideRounded(points * dpi, 72); }

}  // namespace ui
