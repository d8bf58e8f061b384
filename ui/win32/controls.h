// The standard controls: each wrapper method sends one message.
#pragma once

#include <cstdint>
#include <string>

#include "ui/caret_rule.h"
#include "ui/win32/control_base.h"

namespace ui::win32 {

class TextBoxImpl final : public Wrapped<TextBox> {
 public:
  TextBoxImpl(WinForm& form, const TextBoxDesign& d);
  std::string Text() const override;
  void SetText(const std::string& text) override;
  std::size_t SelStart() const override;
  void OnCommand(WORD code) override;

 private:
  LRESULT SubclassedProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

  CaretRule caret_;
};

// Win32 scroll positions count 0..span from the top end; the design's min
// is the value at the top and may exceed its max.
class ScrollBarImpl final : public Wrapped<ScrollBar> {
 public:
  ScrollBarImpl(WinForm& form, const ScrollBarDesign& d);
  std::int16_t Value() const override { return value_; }
  void SetValue(std::int16_t value) override;
  std::int16_t Min() const override { return min_; }
  std::int16_t Max() const override { return max_; }
  void OnScroll(WORD request, int thumb) override;

 private:
  LRESULT SubclassedProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void DrawFocusMark();
  int PositionOf(int value) const;
  int ValueAt(int position) const;
  int Span() const;

  std::int16_t min_, max_, value_;
};

class ComboBoxImpl final : public Wrapped<ComboBox> {
 public:
  ComboBoxImpl(WinForm& form, const ComboBoxDesign& d);
  void AddItem(const std::string& text) override;
  int ListCount() const override;
  std::string List(int index) const override;
  int ListIndex() const override;
  void SetListIndex(int index) override;
  bool DroppedDown() const override;
  void ApplyDpi() override;

 private:
  // The window of a drop-down list is as high as the open list.
  void FitList();
};

class CheckBoxImpl final : public Wrapped<CheckBox> {
 public:
  CheckBoxImpl(WinForm& form, const CheckBoxDesign& d);
  int Value() const override;
  void SetValue(int value) override;
  void OnCommand(WORD code) override;
  HBRUSH OnColor(HDC dc) override;
  void Activate() override;
};

class OptionImpl final : public Wrapped<OptionButton> {
 public:
  OptionImpl(WinForm& form, const OptionDesign& d);
  bool Value() const override;
  void SetValue(bool selected) override;
  void OnCommand(WORD code) override;
  HBRUSH OnColor(HDC dc) override;
  void Activate() override;

  int group = -1;  // options of one group select each other out (WinForm::AddOption)
};

class LabelImpl final : public Wrapped<Label> {
 public:
  LabelImpl(WinForm& form, const LabelDesign& d);
  ~LabelImpl() override;
  std::string Caption() const override;
  void SetCaption(const std::string& caption) override;
  void SetFont(const Font& font) override;
  Font GetFont() const override { return font_; }
  void Announce() override;
  void OnCommand(WORD code) override;
  HBRUSH OnColor(HDC dc) override;
  void Activate() override;
  void ApplyDpi() override;

 private:
  LRESULT SubclassedProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  HFONT TextFont() override;
  void FitToText();

  std::uint32_t foreColor_;
  std::uint32_t backColor_;
  bool autoSize_;
  Font font_;
  HBRUSH backBrush_ = nullptr;
};

class ButtonImpl final : public Wrapped<Button> {
 public:
  ButtonImpl(WinForm& form, const ControlDesign& d);
  std::string Caption() const override;
  void SetCaption(const std::string& caption) override;
  void OnCommand(WORD code) override;
  void Activate() override;
};

class ImageImpl final : public Wrapped<Image> {
 public:
  ImageImpl(WinForm& form, const ControlDesign& d);
  HBRUSH OnColor(HDC dc) override;
  void ApplyDpi() override;
};

}  // namespace ui::win32
