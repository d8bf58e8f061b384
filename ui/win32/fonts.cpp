#include "ui/win32/fonts.h"

#include "ui/layout.h"
#include "ui/win32/wide.h"

namespace ui::win32 {

namespace {

bool Same(const Font& a, const Font& b) {
  return a.name == b.name && a.points == b.points && a.charset == b.charset &&
         a.weight == b.weight && a.underline == b.underline;
}

}  // namespace

FontCache::~FontCache() {
  for (const Entry& e : entries_) DeleteObject(e.handle);
}

HFONT FontCache::Get(const Font& font, int dpi) {
  for (const Entry& e : entries_) {
    if (e.dpi == dpi && Same(e.font, font)) return e.handle;
  }
  HFONT handle = CreateFontW(FontHeight(font.points, dpi), 0, 0, 0, font.weight, FALSE,
                             font.underline ? TRUE : FALSE, FALSE,
                             static_cast<DWORD>(font.charset), OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                             Widen(font.name).c_str());
  if (handle == nullptr) handle = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  else entries_.push_back({font, dpi, handle});
  return handle;
}

}  // namespace ui::win32
