// The About window: the program icon, a welcome text and the maker's link.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/system.h"
#include "ui/controls.h"

class frmAbout {
 public:
  frmAbout(ui::Toolkit& toolkit, const platform::System& system, std::string webPage);

  // Loads the window anew and shows it modally, owned by owner; returns
  // when it has closed.
  void ShowModal(ui::Form& owner);
  void Unload();
  bool Visible() const;
  bool Loaded() const;
  ui::Form* Window() { return form_.get(); }

  // Handlers.
  void Form_Load();
  void Form_Click();
  void Form_KeyPress(std::int16_t& key);
  void Form_MouseMove(int button, int shift, double x, double y);
  void lblME_Click();
  void lblWebSite_Click();
  void lblWebSite_MouseMove(int button, int shift, double x, double y);

  ui::Image* Image1 = nullptr;
  ui::Label* lblME = nullptr;
  ui::Label* lblWebSite = nullptr;

  // The host name of a web address: what lies between "//" and the path.
  static std::string HostName(const std::string& address);

 private:
  void CreateWindowFromDesign();
  void SetLinkUnderline(bool underline);

  ui::Toolkit& toolkit_;
  const platform::System& system_;
  std::string webPage_;
  // Shared with the modal loop that runs on it: a window loaded anew while
  // an older one's loop is still on the stack must not free the older one.
  std::shared_ptr<ui::Form> form_;
};
