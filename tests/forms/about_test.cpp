// The About window, opened from the tray menu.
#include <functional>
#include <utility>

#include "tests/forms/main_window_fixture.h"

namespace {

class AboutTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    ASSERT_TRUE(Start());
  }
  ui::memory::MemoryForm& Open() {
    Win().nextMenuChoice = "mnuAbout";
    Win().TrayRightClick();
    return *AboutWin();
  }
  frmAbout& About() { return main->About(); }
};

TEST_F(AboutTest, OpensModalOwnedByTheMainWindowWithItsTexts) {
  auto& a = Open();
  EXPECT_TRUE(a.Visible());
  EXPECT_EQ(a.Owner(), &Win());
  EXPECT_EQ(a.Design().caption, "关于");
  EXPECT_EQ(About().lblME->Caption(), "欢迎使用\r\n\r\nQuillon 定时关机小工具");
  EXPECT_EQ(About().lblWebSite->Caption(), "官方网站：www.example.test");
  EXPECT_TRUE(About().lblWebSite->GetFont().underline);
  EXPECT_EQ(About().lblWebSite->GetFont().name, "宋体");
  EXPECT_EQ(About().lblWebSite->GetFont().charset, 134);
}

TEST_F(AboutTest, ClosesOnBackgroundOnTheWelcomeTextAndOnEscapeOnly) {
  for (int way = 0; way < 3; ++way) {
    auto& a = Open();
    a.Type(13);
    a.Type(' ');
    a.Click(*About().lblWebSite);
    ASSERT_TRUE(About().Visible()) << "Enter, Space and the link leave it open";
    if (way == 0) a.ClickBackground();
    if (way == 1) a.Click(*About().lblME);
    if (way == 2) a.Type(27);
    EXPECT_FALSE(About().Loaded()) << "way " << way;
    EXPECT_TRUE(Win().TakesInput()) << "the main window takes input again";
  }
  EXPECT_TRUE(Win().Visible()) << "Escape in the About window leaves the main window alone";
}

TEST_F(AboutTest, TheLinkByClickEnterOrSpaceStartsExplorerWithTheMakersPage) {
  auto& a = Open();
  EXPECT_EQ(a.Focus(), About().lblWebSite) << "the window's one control for the keyboard has the focus";
  const std::pair<const char*, std::function<void()>> ways[] = {
      {"click", [&] { a.Click(*About().lblWebSite); }},
      {"Enter", [&] { a.Type(13); }},
      {"Space", [&] { a.Type(' '); }}};
  for (const auto& [way, act] : ways) {
    sys.log.clear();
    act();
    EXPECT_EQ(sys.Routines(), std::vector<std::string>{"StartWindowsProgram"}) << way;
    if (!sys.log.empty()) EXPECT_EQ(sys.log.front().text, std::string("explorer ") + kTestPage) << way;
    EXPECT_TRUE(About().Visible()) << way;
  }
  sys.log.clear();
  a.Type('a');
  EXPECT_TRUE(sys.Routines().empty()) << "another key opens nothing";
}

TEST_F(MainWindowTest, WithoutAPageTheLinkOpensNothing) {
  main = std::make_unique<frmMain>(toolkit, sys.system, "");
  ASSERT_TRUE(main->Form_Initialize());
  Win().nextMenuChoice = "mnuAbout";
  Win().TrayRightClick();
  AboutWin()->Click(*main->About().lblWebSite);
  EXPECT_TRUE(sys.CallsTo("StartWindowsProgram").empty());
  EXPECT_TRUE(main->About().Visible());
}

TEST_F(AboutTest, OpeningAgainShowsTheWelcomeTextOnce) {
  Open().Type(27);
  Open();
  EXPECT_EQ(About().lblME->Caption(), "欢迎使用\r\n\r\nQuillon 定时关机小工具");
  EXPECT_EQ(toolkit.forms.size(), 2u) << "the main window and one About window";
}

TEST_F(AboutTest, UnderlineFollowsThePointer) {
  auto& a = Open();
  a.MouseOverBackground();
  EXPECT_FALSE(About().lblWebSite->GetFont().underline);
  a.MouseOver(*About().lblWebSite);
  EXPECT_TRUE(About().lblWebSite->GetFont().underline);
  a.MouseOverBackground();
  EXPECT_FALSE(About().lblWebSite->GetFont().underline);
}

TEST_F(AboutTest, TheMainWindowRefusesInputWhileItIsOpen) {
  Open();
  Win().Click(*main->cmdTimer);
  Win().TypeInto(*main->txtBlink, "5");
  Win().CloseButton();
  EXPECT_FALSE(main->bTimerOn);
  EXPECT_EQ(main->txtBlink->Text(), "30");
  EXPECT_TRUE(Win().Visible());
}

TEST_F(AboutTest, TrayDoubleClickClosesItBeforeRestoringTheMainWindow) {
  Win().Hide();
  Open();
  Win().TrayNotify(515);
  EXPECT_FALSE(About().Loaded());
  EXPECT_TRUE(Win().Visible());
  EXPECT_TRUE(Win().TakesInput());
}

TEST_F(AboutTest, OpensWhileTheMainWindowIsHiddenAndExitStillEnds) {
  Win().Hide();
  Open();
  EXPECT_TRUE(About().Visible());
  const ui::Handle open = AboutWin()->Hwnd();
  Win().nextMenuChoice = "mnuAbout";  // chosen again while open: the open window stays
  Win().TrayRightClick();
  EXPECT_EQ(toolkit.forms.size(), 2u);
  EXPECT_EQ(AboutWin()->Hwnd(), open);
  Win().nextMenuChoice = "mnuExit";
  Win().TrayRightClick();
  EXPECT_FALSE(About().Loaded());
  EXPECT_TRUE(toolkit.quit);
  EXPECT_EQ(LastTrayMessage(), 2u);
}

TEST_F(AboutTest, LoadedAnewWhileAnOlderWindowsLoopStillRuns) {
  // While the first window waits: a tray double-click closes it, and About
  // is chosen again; the second window's loop runs inside the first's.
  toolkit.whileModal = [&] {
    Win().TrayNotify(515);
    Open();
  };
  Open();
  EXPECT_TRUE(About().Visible());
  EXPECT_EQ(toolkit.forms.size(), 2u) << "the first window is gone once its loop has ended";
}

TEST(AboutHostName, TakesWhatLiesBetweenTheSchemeAndThePath) {
  EXPECT_EQ(frmAbout::HostName("http://www.a.example/x.php?id=1"), "www.a.example");
  EXPECT_EQ(frmAbout::HostName("https://b.example:8080/"), "b.example");
  EXPECT_EQ(frmAbout::HostName("c.example?q"), "c.example");
  EXPECT_EQ(frmAbout::HostName(""), "");
}

}  // namespace
