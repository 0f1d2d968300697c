"""With the tray setting on, the close button hides the main window to the notification area
(trayer here) and the tray icon brings it back; the icon's right button opens the option
menu."""
import os
import re
import subprocess
import tempfile
import time
import unittest

from e2e_lib import ARTIFACTS, ON, Client, ProgramTest, Service, screenshot, wait_for, xdotool

HOME = "<html><body style='background:#20242c;color:#ddd'><h1>Home</h1></body></html>"
TRAY_CONFIG = b"[Config]\r\nLanguage=1\r\nTray=1\r\n"
CLOSE_BUTTON = (963, 14)
# One line of `xwininfo -tree`: id, name, class, then size and absolute position.
TREE_LINE = re.compile(r"^\s*(0x[0-9a-f]+) .*?\s(\d+)x(\d+)\+-?\d+\+-?\d+\s+\+(-?\d+)\+(-?\d+)\s*$")


def window_pid(window):
    out = subprocess.run(["xprop", "-id", window, "_NET_WM_PID"], capture_output=True, text=True)
    match = re.search(r"= (\d+)", out.stdout)
    return int(match.group(1)) if match else None


def is_mapped(window):
    out = subprocess.run(["xwininfo", "-id", window], capture_output=True, text=True).stdout
    return "Map State: IsViewable" in out


class Trayer:
    """A notification area on the display: icons dock as windows inside its panel."""

    def __init__(self, timeout=60):
        # trayer gives up when another tray owns the selection; the one a previous test
        # killed keeps it until the X server has noticed its end, so try again until then.
        deadline = time.monotonic() + timeout
        while True:
            self.log = tempfile.TemporaryFile()
            self.process = subprocess.Popen(
                ["trayer", "--edge", "bottom", "--align", "right", "--widthtype", "request",
                 "--height", "32", "--SetDockType", "false", "--SetPartialStrut", "false"],
                stdout=self.log, stderr=subprocess.STDOUT)
            # The panel is mapped once trayer owns the tray selection.
            self.panel = wait_for(self._panel_or_end, timeout, what="trayer's panel")
            if self.panel != "ended":
                return
            self.log.seek(0)
            why = self.log.read().decode(errors="replace")
            self.log.close()
            if time.monotonic() > deadline:
                raise AssertionError(f"trayer did not start: {why}")
            time.sleep(0.2)

    def _panel_or_end(self):
        if self.process.poll() is not None:
            return "ended"
        found = xdotool("search", "--onlyvisible", "--pid", str(self.process.pid)).split()
        return found[0] if found else None

    def icons_of(self, pid):
        """The docked icon windows of process pid, each (id, x, y, width, height) on screen."""
        tree = subprocess.run(["xwininfo", "-tree", "-id", self.panel],
                              capture_output=True, text=True).stdout
        icons = []
        for line in tree.splitlines():
            match = TREE_LINE.match(line)
            if match and window_pid(match.group(1)) == pid and is_mapped(match.group(1)):
                w, h, x, y = (int(v) for v in match.group(2, 3, 4, 5))
                icons.append((match.group(1), x, y, w, h))
        return icons

    def stop(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        self.log.close()


class TrayTest(ProgramTest):
    def setUp(self):
        super().setUp()
        self.tray = Trayer()
        self.addCleanup(self.tray.stop)
        self.service = Service({"/": HOME, "/ads/ksqd.html": ON})

    def start_and_hide_to_tray(self):
        self.client = Client(env={"LUMORA_SERVICE_BASE": self.service.base},
                             config=TRAY_CONFIG).start()
        window = self.client.window_of_size(984, 624)
        screenshot("tray-before-close", window, min_colours=16)  # the frame is painted
        self.close_to_tray(window)
        return window

    def close_to_tray(self, window):
        self.client.click(window, *CLOSE_BUTTON)
        wait_for(lambda: not is_mapped(window), 30, what="the main window to hide")
        icons = wait_for(lambda: self.tray.icons_of(self.client.process.pid), 30,
                         what="a tray icon docked in trayer")
        self.assertIsNone(self.client.process.poll(), "the program ended instead of hiding")
        return icons

    def click_icon(self, icon, button):
        _, x, y, w, h = icon
        xdotool("mousemove", "--sync", str(x + w // 2), str(y + h // 2))
        xdotool("click", str(button))

    def test_close_hides_to_the_tray_and_a_click_on_the_icon_shows_the_window(self):
        window = self.start_and_hide_to_tray()
        icons = self.tray.icons_of(self.client.process.pid)
        self.assertEqual(len(icons), 1)
        _, x, y, w, h = icons[0]
        # The icon is drawn from Icon/TrayLOGO.ico, not left blank.
        os.makedirs(ARTIFACTS, exist_ok=True)
        crop = os.path.join(ARTIFACTS, "tray-icon.png")
        shot = screenshot("tray-docked")
        subprocess.run(["convert", shot, "-crop", f"{w}x{h}+{x}+{y}", "+repage", crop], check=True)
        colours = subprocess.run(["identify", "-format", "%k", crop], capture_output=True,
                                 text=True).stdout
        self.assertGreaterEqual(int(colours or 0), 16, "the tray icon looks blank")

        self.click_icon(icons[0], 1)
        wait_for(lambda: is_mapped(window), 30, what="the main window to come back")
        self.assertEqual(self.client.window_of_size(984, 624), window)
        screenshot("tray-restored", window, min_colours=16)

        # Hiding again sets the icon again: still one icon, not two.
        icons = self.close_to_tray(window)
        self.assertEqual(len(icons), 1, f"tray icons after the second close: {icons}")

    def test_right_click_on_the_icon_opens_the_option_menu(self):
        window = self.start_and_hide_to_tray()
        icon = self.tray.icons_of(self.client.process.pid)[0]

        def popups():  # visible windows of the program other than its tray icon
            return [w for w in self.client.windows() if int(w) != int(icon[0], 16)]
        self.assertEqual(popups(), [])
        # A click that lands while the tray is still embedding the icon is lost, as it would
        # be for a user; one who sees no menu clicks again.
        for attempt in range(3):
            self.click_icon(icon, 3)
            try:
                menu = wait_for(popups, 10, what="the option menu")[0]
                break
            except AssertionError:
                if attempt == 2:
                    raise
        self.assertLess(self.client.geometry(menu)["WIDTH"], 400)
        self.assertFalse(is_mapped(window), "the menu must not bring the main window back")
        screenshot("tray-menu", min_colours=16)
        xdotool("key", "Escape")
        wait_for(lambda: not popups(), 30, what="the menu to close")
        self.assertIsNone(self.client.process.poll())


if __name__ == "__main__":
    unittest.main(verbosity=2)
