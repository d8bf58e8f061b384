"""The main window at the screen's DPI (Wine's LogPixels): the design at
that DPI, pointer moves that are only pointer moves, the real tray icon's
clicks, a WM_DPICHANGED that lays the window out again, every text of both
windows whole, and the program icon drawn without a square around it."""

import re
import subprocess
import sys
import unittest

import vespera_e2e as e2e
from base import SessionTest
from test_about import crop_box

sys.path.insert(0, str(e2e.REPO / "resources"))
import make_icon  # noqa: E402  the clock's outline at each frame size


def mul_div(value, dpi, per=1440):
    """MulDiv's rounding for positive values: the nearest, halves up."""
    return (value * dpi + per // 2) // per


def screen_pixels(png):
    """A screenshot's pixel at (x, y), as the three bytes r, g, b."""
    ppm = subprocess.run(["convert", str(png), "ppm:-"], capture_output=True, check=True,
                         timeout=30).stdout
    width, _, head = re.match(rb"P6\s+(\d+)\s+(\d+)\s+\d+\s", ppm).group(1, 2, 0)
    start, width = len(head), int(width)
    return lambda x, y: ppm[start + 3 * (y * width + x):start + 3 * (y * width + x) + 3]


def misdrawn_pixels(pixel, x0, y0, size, rows):
    """Where the icon drawn at (x0, y0) shows the background (the colour just
    left of it) other than exactly where the clock's outline leaves the
    pixel see-through."""
    background = pixel(x0 - 1, y0 + size // 2)
    outline = make_icon.render(size)
    return [(x0 + x, y0 + y) for y in range(rows) for x in range(size)
            if outline[y][x][3] == (pixel(x0 + x, y0 + y) == background)]


def popups(drv):
    return [w for w in drv("allwindows")["windows"] if w["class"] == "#32768"]


def texts_shown(drv, c, actions):
    """What a control can show: its text, a list's entries, a box full of
    digits; on the status line also the longest count (999 hours) and every
    refusal and failure text of the program's own table."""
    texts = [c["text"]] + c.get("items", []) + ["0" * c.get("limit", 0)]
    if c["name"] == "lblStatus":
        texts += ["3596400 秒后执行"] + drv("statustexts", *actions)["texts"]
    return [t for t in texts if t]


class TextChecks:
    """Every text a control shows, measured in the control's own font as the
    control breaks it, fits the room the control gives it."""

    def cut_texts(self, form, seen):
        controls = [c for c in self.session.dump(form)["controls"] if c["name"] and c["visible"]]
        actions = next((c["items"] for c in controls if c["name"] == "cmbAction"), [])
        cut = []
        for c in controls:
            for text in texts_shown(self.drv, c, actions):
                if (c["name"], text) in seen:
                    continue
                seen.add((c["name"], text))
                # Its own text may hold line breaks, which a command cannot.
                other = [] if text == c["text"] else [text]
                e = self.assertOk(self.drv("extent", f"{form}.{c['name']}", *other))
                if e["extent"][0] > e["room"][0] or e["extent"][1] > e["room"][1]:
                    cut.append(f"{c['name']} {text!r}: needs {e['extent']}, has {e['room']}")
        return cut

    def test_a_every_text_whole(self):
        drv, seen = self.drv, set()
        self.show_main()
        # As designed, armed, and disarmed again: each state has its texts.
        cut = self.cut_texts("frmMain", seen)
        for _ in range(2):
            self.assertOk(drv("click", "cmdTimer", "send"))
            cut += self.cut_texts("frmMain", seen)
        self.assertOk(drv("traymenu", "关于(&A)"))
        self.assertOk(drv("wait", "frmAbout", 20000, "visible"))
        cut += self.cut_texts("frmAbout", seen)
        self.assertOk(drv("key", "frmAbout", "esc"))
        if cut:
            self.fail(f"texts cut off at {self.dpi} DPI:\n" + "\n".join(cut))


def crop(rgb, width, rect):
    """A rectangle of an RGB image `width` pixels wide."""
    x, y, w, h = rect
    return b"".join(rgb[((y + r) * width + x) * 3:((y + r) * width + x + w) * 3] for r in range(h))


class FocusChecks:
    """Tab through the main window: at each stop the focused control looks
    otherwise than once the focus has moved on."""

    def test_b_every_tab_stop_shows_its_focus(self):
        s, drv = self.session, self.drv
        self.show_main()
        self.assertOk(drv("focus", "cmbAction"))
        client, stops = s.dump()["client"], []
        while len(stops) < 2 or stops[-1][0] != stops[0][0]:
            self.assertLess(len(stops), 20, "Tab never came back to the first control")
            self.assertOk(drv("settle", "frmMain"))
            stops.append((drv("focused")["focus"], s.steady_pixels(client)))
            self.assertOk(drv("key", "-", "tab"))
        rects = {name: c["rect"] for name, c in s.controls().items()}
        unmarked = [name for (name, shot), (_, after) in zip(stops, stops[1:])
                    if crop(shot, client[2], rects[name]) == crop(after, client[2], rects[name])]
        self.assertIn("vsBlink", [name for name, _ in stops])
        self.assertEqual(unmarked, [], "focused controls that look as they do without the focus")


class DpiChecks:
    desktop = "1024x768"
    changed_to = 144

    def test_design_pointer_tray_and_dpi_change(self):
        s, drv, dpi = self.session, self.drv, self.dpi
        main = self.assertOk(drv("wait", "frmMain", e2e.LIMIT_MS, "visible"))
        self.assertEqual(main["client"][2:], [mul_div(3780, dpi), mul_div(4335, dpi)],
                         "the client area is not the design at the screen's DPI")
        if dpi == 144:
            shots = self.ctx.shots
            shots.mkdir(parents=True, exist_ok=True)
            self.assertOk(drv("settle", "frmMain"), "main window drawn")
            s.screenshot(shots / "main-144dpi.png", crop_box(main["screen"], limit=(1024, 768)))

        # The real icon: a right click opens the menu, a double click restores.
        self.assertOk(drv("trayicon", "right"), "right click on the tray icon")
        self.wait_for(lambda: popups(drv), "no menu after a real right click")
        drv("key", "-", "esc")
        self.wait_for(lambda: not popups(drv), "the menu did not close")
        drv("close", "frmMain")
        self.assertOk(drv("waitgone", "frmMain", e2e.LIMIT_MS))
        self.assertOk(drv("trayicon", "double"), "double click on the tray icon")
        self.assertOk(drv("wait", "frmMain", e2e.LIMIT_MS, "visible"), "no restore after a real double click")

        # Every x of the tray's mouse messages, on every row of the window;
        # armed, the disabled settings frame lets the moves reach the window.
        # A shell without NIM_SETVERSION, where a right button's 517 is the
        # one that opens the menu.
        self.assertTrue(drv("shell", "old").get("first"))
        self.wait_for(lambda: [c["message"] for c in drv("shell")["calls"]][-2:] == [0, 4],
                      "the icon was not added again after the restart")
        menus_before = len(s.relay(s.vespera_pid, ["TrackPopupMenu", "TrackPopupMenuEx"]))
        self.assertOk(drv("click", "cmdTimer", "send"))
        sweep = self.assertOk(drv("sweep", "frmMain"))
        if mul_div(3780, dpi) > 518:
            self.assertGreater(sweep["exposed"], 0, "no move reached the window itself at x = 515 or 517")
        self.assertEqual(popups(drv), [], "a pointer move opened the tray menu")
        self.assertTrue(drv("wait", "frmMain", 300, "visible").get("ok"), "a pointer move hid the window")
        self.assertEqual(len(s.relay(s.vespera_pid, ["TrackPopupMenu", "TrackPopupMenuEx"])), menus_before)
        self.assertOk(drv("click", "cmdTimer", "send"))
        self.assertEqual(s.text("cmdTimer"), "激活定时器(&E)", "a pointer move changed the armed state")

        # Moved to a monitor of another DPI.
        new = self.changed_to
        self.assertOk(drv("dpichange", "frmMain", new))
        d = s.dump()
        self.assertEqual(d["client"][2:], [mul_div(3780, new), mul_div(4335, new)])
        controls = {c["name"]: c for c in d["controls"] if c["name"]}
        self.assertEqual(controls["cmdTimer"]["rect"],
                         [mul_div(180, new), mul_div(3660, new), mul_div(3435, new), mul_div(315, new)])
        # The auto-sized "动作" is two characters of the 9-point font at the new DPI.
        width = controls["lbl(0)"]["rect"][2]
        self.assertLessEqual(abs(width - 2 * mul_div(9, new, 72)), 2, controls["lbl(0)"])


class IconPixels:
    """At 96 and 144 DPI every size Windows draws the icon at is a frame of
    its own, drawn pixel for pixel: the tray's, the title bar's and About's."""

    # Sorts before the DPI change and the shell's restart of DpiChecks.
    def test_clean_icons(self):
        s, drv, dpi = self.session, self.drv, self.dpi
        main = self.assertOk(drv("wait", "frmMain", e2e.LIMIT_MS, "visible"))
        self.assertOk(drv("traymenu", "关于(&A)"), "choosing About")
        self.assertOk(drv("wait", "frmAbout", e2e.LIMIT_MS, "visible"), "About window")
        self.assertOk(drv("settle", "frmAbout"), "About window drawn")
        image = s.screen_rect("Image1", "frmAbout")
        tray = next(w["screen"] for w in drv("allwindows")["windows"] if w["class"] == "Shell_TrayWnd")
        self.ctx.shots.mkdir(parents=True, exist_ok=True)
        shot = self.ctx.shots / f"icons-{dpi}dpi.png"
        s.screenshot(shot)
        self.assertOk(drv("key", "frmAbout", "esc"))
        self.assertOk(drv("waitgone", "frmAbout", e2e.LIMIT_MS), "Escape did not close About")

        pixel, small = screen_pixels(shot), mul_div(16, dpi, 96)
        (left, top), (client_x, client_y) = main["screen"][:2], main["client"][:2]
        caption = client_y - top - (client_x - left)
        # Wine's shell32 copies width x height bits of the tray icon's mask,
        # whose rows are padded to whole words: the rows past that many bytes
        # arrive blank, and draw black (24 pixels: the last 6 rows).
        tray_rows = (small * small + 15) // 16 * 2 // ((small + 15) // 16 * 2)
        # Wine's taskbar: the icon at the right end, 2 pixels from it, centred
        # in height; the title bar: 2 pixels into the caption, centred in it.
        places = {
            "tray": (tray[0] + tray[2] - 2 - small, tray[1] + (tray[3] - small) // 2, small, tray_rows),
            "title bar": (client_x + 2, client_y - caption + (caption - small) // 2, small, small),
            "About": (image[0], image[1], image[2], image[2]),
        }
        for name, place in places.items():
            with self.subTest(name):
                wrong = misdrawn_pixels(pixel, *place)
                self.assertEqual(len(wrong), 0, f"{name} icon at {place[:3]}: pixels differ from "
                                 f"the clock's outline on the background, first {wrong[:4]} "
                                 f"(see {shot.name})")


class At96Dpi(IconPixels, TextChecks, DpiChecks, SessionTest):
    dpi = 96
    changed_to = 192


class At120Dpi(TextChecks, SessionTest):
    dpi = 120


class At144Dpi(IconPixels, TextChecks, FocusChecks, DpiChecks, SessionTest):
    dpi = 144
    changed_to = 96


class At192Dpi(TextChecks, SessionTest):
    dpi = 192


class At216Dpi(DpiChecks, SessionTest):
    dpi = 216
    changed_to = 120


class At240Dpi(TextChecks, SessionTest):
    dpi = 240


if __name__ == "__main__":
    unittest.main()
