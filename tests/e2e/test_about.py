"""The About window, opened from the tray menu, its link by mouse and by
keyboard; screenshots of both windows."""

import unittest

import vespera_e2e as e2e
from base import SessionTest

WELCOME = "欢迎使用\r\n\r\nQuillon 定时关机小工具"


def crop_box(rect, margin=8, limit=(800, 600)):
    x, y, w, h = rect
    x0, y0 = max(0, x - margin), max(0, y - margin)
    x1, y1 = min(limit[0], x + w + margin), min(limit[1], y + h + margin)
    return [x0, y0, x1 - x0, y1 - y0]


class AboutWindow(SessionTest):
    def open_about(self):
        r = self.assertOk(self.drv("traymenu", "关于(&A)"), "choosing About")
        return self.assertOk(self.drv("wait", "frmAbout", e2e.LIMIT_MS, "visible"), "About window")

    def test_a_screenshot_of_the_main_window(self):
        self.show_main()
        self.assertOk(self.drv("settle", "frmMain"), "main window drawn")
        shots = self.ctx.shots
        shots.mkdir(parents=True, exist_ok=True)
        self.session.screenshot(shots / "desktop.png")
        main = self.session.dump()["screen"]
        self.session.screenshot(shots / "main.png", crop_box(main))
        self.assertTrue((shots / "main.png").stat().st_size > 1000)

    def test_b_contents_and_escape(self):
        self.drv("close", "frmMain")
        self.drv("waitgone", "frmMain", e2e.LIMIT_MS)
        about = self.open_about()
        self.assertEqual(about["caption"], "关于")
        c = self.session.controls("frmAbout")
        self.assertEqual(c["lblME"]["text"], WELCOME)
        self.assertTrue(c["lblWebSite"]["text"].startswith("官方网站："), c["lblWebSite"]["text"])
        self.assertIn("Image1", c)
        self.assertEqual(about["client"][2:], [385, 145])
        self.assertOk(self.drv("settle", "frmAbout"), "About window drawn")
        shots = self.ctx.shots
        shots.mkdir(parents=True, exist_ok=True)
        self.session.screenshot(shots / "about.png", crop_box(about["screen"]))
        # Enter and Space do not close it; Escape does.
        self.assertOk(self.drv("key", "frmAbout", "enter"))
        self.assertOk(self.drv("key", "frmAbout", "space"))
        self.assertTrue(self.drv("wait", "frmAbout", 200, "visible").get("ok"), "Enter closed About")
        self.assertOk(self.drv("key", "frmAbout", "esc"))
        self.assertOk(self.drv("waitgone", "frmAbout", e2e.LIMIT_MS), "Escape did not close About")
        self.assertTrue(self.drv("alive")["running"])
        self.assertFalse(self.drv("wait", "frmMain", 200, "visible").get("ok"),
                         "closing About showed the main window")

    def test_c_reopened_shows_welcome_once_and_double_click_closes_it(self):
        self.open_about()
        self.assertEqual(self.session.text("frmAbout.lblME"), WELCOME)
        self.drv("tray", 515)
        self.assertOk(self.drv("waitgone", "frmAbout", e2e.LIMIT_MS), "tray double-click left About open")
        self.assertOk(self.drv("wait", "frmMain", e2e.LIMIT_MS, "visible"))

    def test_d_the_link_starts_explorer_with_the_page(self):
        self.open_about()
        pid = self.session.vespera_pid
        want = self.session.explorer_starts(pid) + [
            e2e.explorer_command_line(e2e.web_page(self.ctx.build))]
        self.assertOk(self.drv("click", "frmAbout.lblWebSite", "mouse"), "clicking the link")
        self.wait_for(lambda: self.session.explorer_starts(pid) == want,
                      f"explorer starts {self.session.explorer_starts(pid)}, wanted {want}")
        self.assertEqual(self.session.relay(pid, ["ShellExecuteA"]), [], "the shell opened the page")
        self.assertTrue(self.drv("wait", "frmAbout", 200, "visible").get("ok"), "the link closed About")
        self.assertOk(self.drv("key", "frmAbout", "esc"))
        self.assertOk(self.drv("waitgone", "frmAbout", e2e.LIMIT_MS), "Escape did not close About")

    def test_e_the_link_by_keyboard(self):
        s, drv = self.session, self.drv
        self.open_about()
        self.assertEqual(drv("focused", "frmAbout")["focus"], "lblWebSite", "the link has no focus at first")
        rect = s.screen_rect("lblWebSite", "frmAbout")
        self.assertOk(drv("focus", "frmAbout.Image1"))
        self.assertOk(drv("settle", "frmAbout"))
        unfocused = s.steady_pixels(rect)
        self.assertOk(drv("key", "-", "tab"))
        self.assertEqual(drv("focused", "frmAbout")["focus"], "lblWebSite", "Tab did not reach the link")
        self.assertOk(drv("settle", "frmAbout"))
        self.assertTrue(s.steady_pixels(rect) != unfocused, "the focused link looks as it does unfocused")
        pid = s.vespera_pid
        for key in ("enter", "space"):
            want = s.explorer_starts(pid) + [e2e.explorer_command_line(e2e.web_page(self.ctx.build))]
            self.assertOk(drv("key", "-", key))
            self.wait_for(lambda: s.explorer_starts(pid) == want,
                          f"{key} on the link: explorer starts {s.explorer_starts(pid)}, wanted {want}")
        self.assertTrue(drv("wait", "frmAbout", 200, "visible").get("ok"), "a key on the link closed About")
        self.assertOk(drv("key", "frmAbout", "esc"))
        self.assertOk(drv("waitgone", "frmAbout", e2e.LIMIT_MS), "Escape did not close About")


if __name__ == "__main__":
    unittest.main()
