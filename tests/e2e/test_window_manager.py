"""Under a real window manager (openbox), what the user does to a window through it is what
the program goes by: a main window dragged by its title strip has the player open over
where it is now, and a window restored from the window manager after a minimize comes back
from the tray shown, not minimized."""
import os
import subprocess
import tempfile
import time
import unittest

from e2e_lib import (FIRST_VIDEO_CARD, NO_TIMED_ADVERTS, ProgramTest, demo_text, screenshot,
                     wait_for, window_named, xdotool)
from test_tray import Trayer, is_mapped

CONFIG = b"[Config]\r\nLanguage=1\r\nTray=1\r\n"
PRODUCT = demo_text("ads/namejt.html")
STRIP_SPOT = (835, 14)  # the title strip, between the text advert and the option button
MINIMIZE_BUTTON = (905, 14)
CLOSE_BUTTON = (963, 14)


def window_manager_running():
    out = subprocess.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], capture_output=True,
                         text=True).stdout
    return "window id" in out


class WindowManagerTest(ProgramTest):
    @classmethod
    def setUpClass(cls):
        cls.wm_log = tempfile.TemporaryFile()
        cls.wm = subprocess.Popen(["openbox", "--sm-disable"], stdout=cls.wm_log,
                                  stderr=subprocess.STDOUT)
        wait_for(window_manager_running, 30, what="openbox to manage the display")

    @classmethod
    def tearDownClass(cls):
        cls.wm.kill()
        cls.wm.wait()
        cls.wm_log.close()

    def start(self):
        window = super().start(NO_TIMED_ADVERTS, config=CONFIG)
        wait_for(lambda: self.service.requested("/ads/ytkg.html"), 90, what="the end of start-up")
        return window

    def position(self, window):
        g = self.client.geometry(window)
        return g["X"], g["Y"]

    def test_the_player_opens_over_where_the_main_window_was_dragged(self):
        main = self.start()
        x0, y0 = self.position(main)
        # A drag by the title strip, as a user's mouse makes it: the window manager moves it.
        xdotool("mousemove", "--sync", str(x0 + STRIP_SPOT[0]), str(y0 + STRIP_SPOT[1]))
        xdotool("mousedown", "1")
        try:
            for step in range(1, 11):
                xdotool("mousemove", "--sync", str(x0 + STRIP_SPOT[0] - 10 * step),
                        str(y0 + STRIP_SPOT[1] + 8 * step))
                time.sleep(0.05)
        finally:
            xdotool("mouseup", "1")
        wait_for(lambda: self.position(main) == (x0 - 100, y0 + 80), 30,
                 what=f"the window dragged from {x0},{y0} (now {self.position(main)})")
        screenshot("wm-dragged", None, min_colours=16)
        self.client.hover(main, 130, 370, FIRST_VIDEO_CARD)
        xdotool("click", "1")
        player = window_named(PRODUCT + " 播放器", 60)
        wait_for(lambda: self.client.geometry(player).get("WIDTH") == 984, 30,
                 what="the player's size")
        self.assertEqual(self.position(player), (x0 - 100 + 30, y0 + 80 + 30))

    def test_a_window_restored_by_the_window_manager_comes_back_from_the_tray_shown(self):
        self.tray = Trayer()
        self.addCleanup(self.tray.stop)
        main = self.start()
        self.client.click(main, *MINIMIZE_BUTTON)
        wait_for(lambda: not is_mapped(main), 30, what="the window to minimize")
        xdotool("windowactivate", "--sync", main)  # the task bar's restore
        wait_for(lambda: is_mapped(main), 30, what="the window manager's restore")

        self.client.click(main, *CLOSE_BUTTON)
        wait_for(lambda: not is_mapped(main), 30, what="the window to hide to the tray")
        icon = wait_for(lambda: self.tray.icons_of(self.client.process.pid), 30,
                        what="the tray icon")[0]
        _, x, y, w, h = icon
        xdotool("mousemove", "--sync", str(x + w // 2), str(y + h // 2))
        xdotool("click", "1")
        wait_for(lambda: is_mapped(main), 30, what="the window shown again, not minimized")
        screenshot("wm-back-from-tray", main, min_colours=16)


if __name__ == "__main__":
    os.environ.setdefault("QTWEBENGINE_DISABLE_SANDBOX", "1")
    unittest.main()
