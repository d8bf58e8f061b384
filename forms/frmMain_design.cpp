// The main window as designed: positions in twips, tab order, initial
// texts and states.
#include "forms/frmMain.h"

#include <string_view>

namespace {

enum class Kind : std::uint8_t {
  Button, Frame, Panel, Option, TextBox, Spin, List, Check,
  Label,   // a caption sized to its text, on the container's background
  Status,  // the centred strip along the bottom, white on black
  Name,    // a hidden label: the name screen readers give the next row's control
};

// The container a control sits in.
enum class In : std::uint8_t { window, frame, pic };

// A place in twips; every one of this window fits in 16 bits.
struct Box {
  std::int16_t left, top, width, height;
};

// The frmMain pointer a created control is kept in. The constructor taken
// records which pointer it is, so a row whose kind does not match its
// pointer fails to compile (see RowsMatchSlots).
struct Slot {
  template <class T> using One = T* frmMain::*;
  template <class T> using Two = std::array<T*, 2> frmMain::*;
  enum class Type : std::uint8_t { none, button, container, option, textBox, spin, list, check, label, status };

  constexpr Slot() : button(nullptr), type(Type::none) {}
  constexpr Slot(One<ui::Button> p) : button(p), type(Type::button) {}
  constexpr Slot(One<ui::Container> p) : container(p), type(Type::container) {}
  constexpr Slot(Two<ui::OptionButton> p, int i) : option(p), type(Type::option), index(i) {}
  constexpr Slot(One<ui::TextBox> p) : textBox(p), type(Type::textBox) {}
  constexpr Slot(One<ui::ScrollBar> p) : spin(p), type(Type::spin) {}
  constexpr Slot(One<ui::ComboBox> p) : list(p), type(Type::list) {}
  constexpr Slot(One<ui::CheckBox> p) : check(p), type(Type::check) {}
  constexpr Slot(Two<ui::Label> p, int i) : label(p), type(Type::label), index(i) {}
  constexpr Slot(One<ui::Label> p) : status(p), type(Type::status) {}

  union {
    One<ui::Button> button;
    One<ui::Container> container;
    Two<ui::OptionButton> option;
    One<ui::TextBox> textBox;
    One<ui::ScrollBar> spin;
    One<ui::ComboBox> list;
    One<ui::CheckBox> check;
    Two<ui::Label> label;
    One<ui::Label> status;
  };
  Type type;
  std::uint8_t index = 0;  // in an array of two
};

constexpr bool kOn = true, kOff = false;

// One control. text: the caption, the initial text, or a list's items
// separated by '|'. extra, by kind: TextBox {maxLength}; Spin {top, bottom,
// value} (a spin keeps its range top-down: min is the top end); Check
// {value}; Option {selected}, where the selected one starts its group.
struct Row {
  const char* name;
  Kind kind;
  In in;
  Box box;
  std::int8_t tab;
  const char* text;
  Slot slot;
  std::int16_t extra[3] = {};
  bool enabled = kOn;
};

// Creation order is kept as designed: it is the order of the child windows.
// A control without a caption of its own has its name (a hidden label) in
// the row right before it: screen readers take the name of an edit, a list
// or a spin from the label just before it among its siblings.
constexpr Row kMainWindow[] = {
  // name       kind           in          left  top   width height tab  text, pointer, extra, enabled
  {"cmdTimer",  Kind::Button,  In::window, { 180, 3660, 3435,  315},  4, "激活定时(&E)", &frmMain::cmdTimer},
  {"frame",     Kind::Frame,   In::window, { 180,  180, 3435, 3315},  8, " 设置", &frmMain::frame},
  {"pic",       Kind::Panel,   In::frame,  { 150,  930, 3075,  825}, 10, "", &frmMain::pic},
  {"opt(0)",    Kind::Option,  In::pic,    {  30,   60,  675,  195}, 18, "之内", {&frmMain::opt, 0}, {true}},
  {"lblName(0)",Kind::Name,    In::pic,    { 750,    0,  495,  315}, -1, "延时时长", {}},
  {"txtPeriod", Kind::TextBox, In::pic,    { 750,    0,  495,  315}, 20, "1", &frmMain::txtPeriod, {3}},
  {"lblName(1)",Kind::Name,    In::pic,    {1230,    0,  165,  315}, -1, "增减延时时长", {}},
  {"vsPeriod",  Kind::Spin,    In::pic,    {1230,    0,  165,  315}, 16, "", &frmMain::vsPeriod, {999, 1, 1}},
  {"lblName(2)",Kind::Name,    In::pic,    {1530,    0, 1515,  315}, -1, "延时单位", {}},
  {"cmbUnit",   Kind::List,    In::pic,    {1530,    0, 1515,  315}, 19, "时|分|秒", &frmMain::cmbUnit},
  {"opt(1)",    Kind::Option,  In::pic,    {  30,  540,  675,  195}, 17, "于", {&frmMain::opt, 1}, {false}},
  {"lblName(3)",Kind::Name,    In::pic,    { 750,  480,  495,  315}, -1, "定时小时", {}},
  {"txtHour",   Kind::TextBox, In::pic,    { 750,  480,  495,  315}, 14, "1", &frmMain::txtHour, {2}, kOff},
  {"lblName(4)",Kind::Name,    In::pic,    {1230,  480,  165,  315}, -1, "增减小时", {}},
  {"vsHour",    Kind::Spin,    In::pic,    {1230,  480,  165,  315}, 15, "", &frmMain::vsHour, {12, 1, 1}, kOff},
  {"lblName(5)",Kind::Name,    In::pic,    {1530,  480,  495,  315}, -1, "定时分钟", {}},
  {"txtMin",    Kind::TextBox, In::pic,    {1530,  480,  495,  315}, 12, "00", &frmMain::txtMin, {2}, kOff},
  {"lblName(6)",Kind::Name,    In::pic,    {2010,  480,  165,  315}, -1, "增减分钟", {}},
  {"vsMin",     Kind::Spin,    In::pic,    {2010,  480,  165,  315}, 13, "", &frmMain::vsMin, {59, 0, 0}, kOff},
  {"lblName(7)",Kind::Name,    In::pic,    {2310,  480,  735,  315}, -1, "上午或下午", {}},
  {"cmbT",      Kind::List,    In::pic,    {2310,  480,  735,  315}, 11, "AM|PM", &frmMain::cmbT, {}, kOff},
  {"lbl(0)",    Kind::Label,   In::frame,  { 180,  480,  360,  180},  5, "动作", {&frmMain::lbl, 0}},
  {"cmbAction", Kind::List,    In::frame,  { 900,  420, 2295,  315},  0, "关机|重新启动|注销|挂起|睡眠", &frmMain::cmbAction},
  {"chkForce",  Kind::Check,   In::frame,  { 210, 1920, 3075,  255},  1, "强制终止进程", &frmMain::chkForce, {1}},
  {"chkBlink",  Kind::Check,   In::frame,  { 210, 2340, 2475,  255},  2, "图标闪动之前执行", &frmMain::chkBlink, {1}},
  {"lblName(8)",Kind::Name,    In::frame,  { 900, 2760,  495,  315}, -1, "提前闪动秒数", {}},
  {"txtBlink",  Kind::TextBox, In::frame,  { 900, 2760,  495,  315},  3, "30", &frmMain::txtBlink, {3}},
  {"lblName(9)",Kind::Name,    In::frame,  {1380, 2760,  165,  315}, -1, "增减闪动秒数", {}},
  {"vsBlink",   Kind::Spin,    In::frame,  {1380, 2760,  165,  315},  9, "", &frmMain::vsBlink, {999, 1, 30}},
  {"lbl(1)",    Kind::Label,   In::frame,  {1680, 2820,  180,  180},  6, "秒", {&frmMain::lbl, 1}},
  {"lblStatus", Kind::Status,  In::window, {   0, 4140, 3795,  195},  7, "定时禁止", &frmMain::lblStatus},
};

constexpr Slot::Type SlotOf(Kind kind) {
  switch (kind) {
    case Kind::Button: return Slot::Type::button;
    case Kind::Frame:
    case Kind::Panel: return Slot::Type::container;
    case Kind::Option: return Slot::Type::option;
    case Kind::TextBox: return Slot::Type::textBox;
    case Kind::Spin: return Slot::Type::spin;
    case Kind::List: return Slot::Type::list;
    case Kind::Check: return Slot::Type::check;
    case Kind::Label: return Slot::Type::label;
    case Kind::Status: return Slot::Type::status;
    case Kind::Name: return Slot::Type::none;
  }
  return Slot::Type::button;
}

constexpr bool RowsMatchSlots() {
  for (const Row& r : kMainWindow) {
    if (r.slot.type != SlotOf(r.kind)) return false;
  }
  return true;
}
static_assert(RowsMatchSlots(), "a row's pointer is not of its kind");

// What every control has: name, container, place, tab order and text.
void Place(ui::ControlDesign& d, const Row& r, ui::Container* in) {
  d.name = r.name;
  d.container = in;
  d.rect = {r.box.left, r.box.top, r.box.width, r.box.height};
  d.tabIndex = r.tab;
  d.caption = r.text;
  d.enabled = r.enabled;
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
  TrayTimer = &f.AddTimer({.name = "TrayTimer", .interval = 2000, .enabled = false});

  for (const Row& r : kMainWindow) {
    ui::Container* in = r.in == In::frame ? frame : r.in == In::pic ? pic : nullptr;
    const Slot& s = r.slot;
    switch (r.kind) {
      case Kind::Button:
      case Kind::Frame:
      case Kind::Panel: {
        ui::ControlDesign d;
        Place(d, r, in);
        if (r.kind == Kind::Button) this->*s.button = &f.AddButton(d);
        else if (r.kind == Kind::Frame) this->*s.container = &f.AddFrame(d);
        else this->*s.container = &f.AddPanel(d);
        break;
      }
      case Kind::Option: {
        ui::OptionDesign d;
        Place(d, r, in);
        d.value = d.firstOfGroup = r.extra[0] != 0;
        (this->*s.option)[s.index] = &f.AddOption(d);
        break;
      }
      case Kind::TextBox: {
        ui::TextBoxDesign d;
        Place(d, r, in);
        d.maxLength = r.extra[0];
        this->*s.textBox = &f.AddTextBox(d);
        break;
      }
      case Kind::Spin: {
        ui::ScrollBarDesign d;
        Place(d, r, in);
        d.min = r.extra[0];
        d.max = r.extra[1];
        d.value = r.extra[2];
        this->*s.spin = &f.AddScrollBar(d);
        break;
      }
      case Kind::List: {
        ui::ComboBoxDesign d;
        Place(d, r, in);
        for (std::string_view items = r.text;;) {
          const auto bar = items.find('|');
          d.items.emplace_back(items.substr(0, bar));
          if (bar == items.npos) break;
          items.remove_prefix(bar + 1);
        }
        d.caption.clear();
        this->*s.list = &f.AddComboBox(d);
        break;
      }
      case Kind::Check: {
        ui::CheckBoxDesign d;
        Place(d, r, in);
        d.value = r.extra[0];
        this->*s.check = &f.AddCheckBox(d);
        break;
      }
      case Kind::Label:
      case Kind::Status:
      case Kind::Name: {
        ui::LabelDesign d;
        Place(d, r, in);
        if (r.kind == Kind::Name) {
          d.hidden = true;
          f.AddLabel(d);
          break;
        }
        if (r.kind == Kind::Label) {
          d.autoSize = true;
          (this->*s.label)[s.index] = &f.AddLabel(d);
          break;
        }
        d.align = ui::LabelDesign::Align::Center;
        d.foreColor = ui::Rgb(255, 255, 255);
        d.backColor = ui::Rgb(0, 0, 0);
        d.opaque = true;
        d.liveRegion = true;
        this->*s.status = &f.AddLabel(d);
        break;
      }
    }
  }

  mnuPopup = &f.AddPopupMenu("mnuPopup", "Popup");
  auto item = [&](const char* name, const char* caption) { return &mnuPopup->AddItem(name, caption); };
  mnuExit = item("mnuExit", "退出(&X)");
  mnuSep = item("mnuSep", "-");
  mnuAbout = item("mnuAbout", "关于(&A)");
}

void frmMain::ConnectHandlers() {
  ui::Form& f = *form_;
  f.OnKeyDown = [this](std::int16_t& keyCode) { Form_KeyDown(keyCode); };
  f.OnKeyPress = [this](std::int16_t& key) { Form_KeyPress(key); };
  f.OnUnload = [this](bool& cancel) { Form_Unload(cancel); };
  f.OnTrayNote = [this](int message) { Form_TrayNote(message); };
  // The handlers without arguments share one kind of function object.
  const auto call = [this](void (frmMain::*handler)()) { return [this, handler] { (this->*handler)(); }; };
  f.OnShellRestart = call(&frmMain::Form_ShellRestart);
  mnuExit->OnClick = call(&frmMain::mnuExit_Click);
  mnuAbout->OnClick = call(&frmMain::mnuAbout_Click);
  cmdTimer->OnClick = call(&frmMain::cmdTimer_Click);
  Timer->OnTimer = call(&frmMain::Timer_Timer);
  TrayTimer->OnTimer = call(&frmMain::TrayTimer_Timer);
  chkBlink->OnClick = call(&frmMain::chkBlink_Click);
  opt[0]->OnClick = [this] { opt_Click(0); };
  opt[1]->OnClick = [this] { opt_Click(1); };

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
  txtMin->OnKeyPress = [this](std::int16_t& key) { txtMin_KeyPress(key); };
}
