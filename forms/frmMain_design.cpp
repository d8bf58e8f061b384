// The main window as designed: positions in twips, tab order, initial
// texts and states.
#include "forms/frmMain.h"

namespace {

// A design of kind D with what every control has: name, container, place,
// position in the tab order, and its caption or initial text.
template <class D>
D Placed(const char* name, ui::Container* in, ui::Rect rect, int tab, const char* caption = "") {
  D d;
  d.name = name;
  d.container = in;
  d.rect = rect;
  d.tabIndex = tab;
  d.caption = caption;
  return d;
}

ui::ComboBoxDesign ListDesign(const char* name, ui::Container* in,
                              std::initializer_list<const char*> items, ui::Rect rect, int tab,
                              bool enabled) {
  auto d = Placed<ui::ComboBoxDesign>(name, in, rect, tab);
  for (const char* item : items) d.items.emplace_back(item);
  d.enabled = enabled;
  return d;
}

}  // namespace

void frmMain::CreateWindowFromDesign() {
  ui::FormDesign window;
  window.name = "frmMain";
  window.caption = "Vespera";
  window.clientWidth = 3780;
  window.clientHeight = 4335;
  window.keyPreview = true;
  window.isMainWindow = true;
  form_ = toolkit_.CreateForm(window);
  ui::Form& f = *form_;

  Timer = &f.AddTimer({.name = "Timer", .interval = 500, .enabled = false});

  cmdTimer = &f.AddButton(
      Placed<ui::ControlDesign>("cmdTimer", nullptr, {180, 3660, 3435, 315}, 4, "激活定时(&E)"));
  frame = &f.AddFrame(Placed<ui::ControlDesign>("frame", nullptr, {180, 180, 3435, 3315}, 8, " 设置"));
  pic = &f.AddPanel(Placed<ui::ControlDesign>("pic", frame, {150, 930, 3075, 825}, 10));

  auto option = [&](const char* name, const char* caption, ui::Rect rect, int tab, bool value) {
    auto d = Placed<ui::OptionDesign>(name, pic, rect, tab, caption);
    d.value = value;
    d.firstOfGroup = value;
    return &f.AddOption(d);
  };
  auto textBox = [&](const char* name, ui::Container* in, const char* text, ui::Rect rect, int tab,
                     int maxLength, bool enabled) {
    auto d = Placed<ui::TextBoxDesign>(name, in, rect, tab, text);
    d.maxLength = maxLength;
    d.enabled = enabled;
    return &f.AddTextBox(d);
  };
  // Spin controls keep their range top-down: min is the top end.
  auto spin = [&](const char* name, ui::Container* in, ui::Rect rect, int tab, std::int16_t top,
                  std::int16_t bottom, std::int16_t value, bool enabled) {
    auto d = Placed<ui::ScrollBarDesign>(name, in, rect, tab);
    d.min = top;
    d.max = bottom;
    d.value = value;
    d.enabled = enabled;
    return &f.AddScrollBar(d);
  };
  auto list = [&](const char* name, ui::Container* in, std::initializer_list<const char*> items,
                  ui::Rect rect, int tab, bool enabled) {
    return &f.AddComboBox(ListDesign(name, in, items, rect, tab, enabled));
  };
  auto check = [&](const char* name, const char* caption, ui::Rect rect, int tab) {
    auto d = Placed<ui::CheckBoxDesign>(name, frame, rect, tab, caption);
    d.value = 1;
    return &f.AddCheckBox(d);
  };
  auto label = [&](const char* name, const char* caption, ui::Rect rect, int tab) {
    auto d = Placed<ui::LabelDesign>(name, frame, rect, tab, caption);
    d.autoSize = true;
    return &f.AddLabel(d);
  };

  opt[0] = option("opt(0)", "之内", {30, 60, 675, 195}, 18, true);
  txtPeriod = textBox("txtPeriod", pic, "1", {750, 0, 495, 315}, 20, 3, true);
  vsPeriod = spin("vsPeriod", pic, {1230, 0, 165, 315}, 16, 999, 1, 1, true);
  cmbUnit = list("cmbUnit", pic, {"时", "分", "秒"}, {1530, 0, 1515, 315}, 19, true);
  opt[1] = option("opt(1)", "于", {30, 540, 675, 195}, 17, false);
  txtHour = textBox("txtHour", pic, "1", {750, 480, 495, 315}, 14, 2, false);
  vsHour = spin("vsHour", pic, {1230, 480, 165, 315}, 15, 12, 1, 1, false);
  txtMin = textBox("txtMin", pic, "00", {1530, 480, 495, 315}, 12, 2, false);
  vsMin = spin("vsMin", pic, {2010, 480, 165, 315}, 13, 59, 0, 0, false);
  cmbT = list("cmbT", pic, {"AM", "PM"}, {2310, 480, 735, 315}, 11, false);
  lbl[0] = label("lbl(0)", "动作", {180, 480, 360, 180}, 5);
  cmbAction = list("cmbAction", frame, {"关机", "重新启动", "注销", "挂起", "睡眠"},
                   {900, 420, 2295, 315}, 0, true);
  chkForce = check("chkForce", "强制终止进程", {210, 1920, 3075, 255}, 1);
  chkBlink = check("chkBlink", "图标闪动之前执行", {210, 2340, 2475, 255}, 2);
  txtBlink = textBox("txtBlink", frame, "30", {900, 2760, 495, 315}, 3, 3, true);
  vsBlink = spin("vsBlink", frame, {1380, 2760, 165, 315}, 9, 999, 1, 30, true);
  lbl[1] = label("lbl(1)", "秒", {1680, 2820, 180, 180}, 6);

  auto status = Placed<ui::LabelDesign>("lblStatus", nullptr, {0, 4140, 3795, 195}, 7, "定时禁止");
  status.align = ui::LabelDesign::Align::Center;
  status.foreColor = ui::Rgb(255, 255, 255);
  status.backColor = ui::Rgb(0, 0, 0);
  status.opaque = true;
  lblStatus = &f.AddLabel(status);

  mnuPopup = &f.AddPopupMenu("mnuPopup", "Popup");
  auto item = [&](const char* name, const char* caption) { return &mnuPopup->AddItem(name, caption); };
  mnuExit = item("mnuExit", "退出(&X)");
  mnuSep = item("mnuSep", "-");
  mnuAbout = item("mnuAbout", "关于(&A)");
}

void frmMain::ConnectHandlers() {
  ui::Form& f = *form_;
  f.OnKeyPress = [this](std::int16_t& key) { Form_KeyPress(key); };
  f.OnUnload = [this](bool& cancel) { Form_Unload(cancel); };
  f.OnMouseMove = [this](int b, int s, double x, double y) { Form_MouseMove(b, s, x, y); };
  f.OnShellRestart = [this] { Form_ShellRestart(); };
  mnuExit->OnClick = [this] { mnuExit_Click(); };
  mnuAbout->OnClick = [this] { mnuAbout_Click(); };
  cmdTimer->OnClick = [this] { cmdTimer_Click(); };
  Timer->OnTimer = [this] { Timer_Timer(); };
  opt[0]->OnClick = [this] { opt_Click(0); };
  opt[1]->OnClick = [this] { opt_Click(1); };
  chkBlink->OnClick = [this] { chkBlink_Click(); };

  struct Pair {
    ui::TextBox* txt;
    ui::ScrollBar* vs;
    bool twoDigits;
  };
  for (const Pair& p : {Pair{txtPeriod, vsPeriod, false}, Pair{txtHour, vsHour, false},
                        Pair{txtMin, vsMin, true}, Pair{txtBlink, vsBlink, false}}) {
    p.txt->OnChange = [this, p] { TextChanged(*p.txt, *p.vs); };
    p.txt->OnKeyPress = [](std::int16_t& key) { DigitFilter(key); };
    p.vs->OnChange = [this, p] { SpinChanged(*p.vs, *p.txt, p.twoDigits); };
  }
}
