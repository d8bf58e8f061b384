// GDI fonts made from the control layer's font descriptions, one per
// variant, kept until the toolkit goes away.
#pragma once

#include <vector>

#include "ui/controls.h"
#include "ui/win32/win.h"

namespace ui::win32 {

class FontCache {
 public:
  explicit FontCache(int dpiY) : dpiY_(dpiY) {}
  FontCache(const FontCache&) = delete;
  FontCache& operator=(const FontCache&) = delete;
  ~FontCache();

  HFONT Get(const Font& font);

 private:
  struct Entry {
    Font font;
    HFONT handle;
  };
  int dpiY_;
  std::vector<Entry> entries_;
};

}  // namespace ui::win32
