#include "forms/frmAbout.h"

#include "modules/modConstants.h"

frmAbout::frmAbout(ui::Toolkit& toolkit, const platform::System& system, std::string webPage)
    : toolkit_(toolkit), system_(system), webPage_(std::move(webPage)) {}

std::string frmAbout::HostName(const std::string& address) {
  std::string host = address;
  const auto scheme = host.find("//");
  if (scheme != std::string::npos) host = host.substr(scheme + 2);
  const auto end = host.find_first_of("/?#:");
  return end == std::string::npos ? host : host.substr(0, end);
}

void frmAbout::CreateWindowFromDesign() {
  ui::FormDesign window;
  window.name = "frmAbout";
  window.caption = "关于";
  window.clientWidth = 5775;
  window.clientHeight = 2175;
  window.keyPreview = true;
  window.whiteBackground = true;
  window.dialogBorder = true;
  // The old window and its controls are gone; this one starts afresh.
  form_ = toolkit_.CreateForm(window);
  ui::Form& f = *form_;

  ui::ControlDesign image;
  image.name = "Image1";
  image.rect = {600, 480, 480, 480};
  Image1 = &f.AddIcon(image);

  ui::LabelDesign me;
  me.name = "lblME";
  me.rect = {2100, 240, 3495, 795};
  me.foreColor = ui::Rgb(255, 0, 0);
  me.backColor = ui::Rgb(255, 255, 255);
  me.opaque = true;
  lblME = &f.AddLabel(me);

  ui::LabelDesign link;
  link.name = "lblWebSite";
  link.rect = {3240, 1920, 2415, 180};
  link.caption = "官方网站：";
  link.caption.append(HostName(webPage_));
  link.foreColor = ui::Rgb(0, 0, 255);
  link.backColor = ui::Rgb(255, 255, 255);
  link.opaque = true;
  link.font.underline = true;
  // The window's one control for the keyboard: it has the focus at once.
  link.link = true;
  link.tabIndex = 0;
  lblWebSite = &f.AddLabel(link);

  f.OnClick = [this] { Form_Click(); };
  f.OnKeyPress = [this](std::int16_t& key) { Form_KeyPress(key); };
  f.OnMouseMove = [this](int b, int s, double x, double y) { Form_MouseMove(b, s, x, y); };
  lblME->OnClick = [this] { lblME_Click(); };
  lblWebSite->OnClick = [this] { lblWebSite_Click(); };
  lblWebSite->OnMouseMove = [this](int b, int s, double x, double y) {
    lblWebSite_MouseMove(b, s, x, y);
  };
}

void frmAbout::ShowModal(ui::Form& owner) {
  // Chosen again from the tray menu while open: the open window stays.
  if (Loaded()) return;
  CreateWindowFromDesign();
  Form_Load();
  form_->SetFocus(*lblWebSite);
  const std::shared_ptr<ui::Form> window = form_;
  window->ShowModal(owner);
}

void frmAbout::Unload() {
  if (Loaded()) form_->Unload();
}

bool frmAbout::Visible() const { return form_ && form_->Loaded() && form_->Visible(); }
bool frmAbout::Loaded() const { return form_ && form_->Loaded(); }

void frmAbout::Form_Load() { lblME->SetCaption("欢迎使用\r\n\r\nQuillon 定时关机小工具"); }

void frmAbout::Form_Click() { Unload(); }
void frmAbout::lblME_Click() { Unload(); }

void frmAbout::Form_KeyPress(std::int16_t& key) {
  if (key == modConstants::vbKeyEscape) Unload();
}

// Started as at start-up: explorer runs on its own, so no loop of the shell
// (a conversation with the browser, a wait of its own) runs on this thread
// and the countdown's ticks go on while the page opens.
void frmAbout::lblWebSite_Click() {
  if (!webPage_.empty()) system_.launcher.StartWindowsProgram("explorer", webPage_);
}

void frmAbout::lblWebSite_MouseMove(int, int, double, double) { SetLinkUnderline(true); }
void frmAbout::Form_MouseMove(int, int, double, double) { SetLinkUnderline(false); }

void frmAbout::SetLinkUnderline(bool underline) {
  ui::Font font = lblWebSite->GetFont();
  font.underline = underline;
  lblWebSite->SetFont(font);
}
