// The numeric entry fields and the mode and warning switches.
#include <string>

#include "forms/frmMain.h"
#include "platform/numeric.h"

namespace {

std::string PlainDecimal(int value) { return std::to_string(value); }

std::string TwoDigits(int value) {
  std::string s = std::to_string(value);
  if (s.size() < 2) s.insert(0, 2 - s.size(), '0');
  return s;
}

}  // namespace

// Every write below raises its change at once, nested inside this rule.
void frmMain::TextChanged(ui::TextBox& txt, ui::ScrollBar& vs) {
  if (&txt == txtMin) bMinPadded = false;
  if (platform::NumericValue(txt.Text()) > vs.Min()) txt.SetText(PlainDecimal(vs.Min()));
  if (platform::NumericValue(txt.Text()) < vs.Max()) txt.SetText(PlainDecimal(vs.Max()));
  vs.SetValue(platform::ToInt16(platform::NumericValue(txt.Text())));
}

void frmMain::SpinChanged(ui::ScrollBar& vs, ui::TextBox& txt, bool twoDigits) {
  const std::string text = twoDigits ? TwoDigits(vs.Value()) : PlainDecimal(vs.Value());
  // A rewrite that leaves the text as typed (05) leaves its 0 the user's.
  const bool padded = text[0] == '0' && txt.Text() != text;
  txt.SetText(text);
  if (twoDigits) bMinPadded = padded;
}

bool frmMain::IsDigitKey(const std::int16_t& KeyAscii) { return KeyAscii >= 48 && KeyAscii <= 57; }

void frmMain::DigitFilter(std::int16_t& KeyAscii) {
  if (!IsDigitKey(KeyAscii)) KeyAscii = 0;
}

void frmMain::txtMin_KeyPress(std::int16_t& KeyAscii) {
  DigitFilter(KeyAscii);
  std::string text = txtMin->Text();
  if (KeyAscii == 0 || !bMinPadded || text.size() != 2 || txtMin->SelStart() != 2) return;
  // The digits move left and the new one comes in at the end, so that
  // 3 then 0 reads 30, not 03 with the 0 refused by the limit.
  text[0] = text[1];
  text[1] = static_cast<char>(KeyAscii);
  KeyAscii = 0;
  txtMin->SetText(text);
  bMinPadded = text[0] == '0';
}

void frmMain::opt_Click(int Index) {
  const bool e = Index != 0;
  txtHour->SetEnabled(e);
  vsHour->SetEnabled(e);
  txtMin->SetEnabled(e);
  vsMin->SetEnabled(e);
  cmbT->SetEnabled(e);
  txtPeriod->SetEnabled(!e);
  vsPeriod->SetEnabled(!e);
  cmbUnit->SetEnabled(!e);
}

void frmMain::chkBlink_Click() {
  txtBlink->SetEnabled(chkBlink->Value() != 0);
  vsBlink->SetEnabled(chkBlink->Value() != 0);
}
