// GDI fonts made from the control layer's font descriptions, one per
// variant, kept until the toolkit goes away.
#pragma once

#include <vector>

#include "ui/controls.h"
#include "ui/win32/win.h"

namespace ui::win32 {

class FontCache {
 public:
  FontCache() = default;
  FontCache(const FontCache&) = delete;
  FontCache& operator=(const FontCache&) = delete;
  ~FontCache();

  // The font at a window's DPI.
  HFONT Get(const Font& font, int dpi);

 private:
  struct Entry {
    Font font;
    int dpi;
    HFONT handle;
  };
  std::vector<Entry> entries_;
};

}  // namespace ui::win32
