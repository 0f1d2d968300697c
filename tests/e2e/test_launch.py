"""The real program starts, shows its frameless main window and ends with it; the launcher
refuses to start without the run-time components it needs."""
import os
import subprocess
import unittest

from e2e_lib import Client, screenshot, wait_for, xdotool

ERROR_TEXT = "Not found the kernel library or the kernel library is invalid!"


class LaunchTest(unittest.TestCase):
    def tearDown(self):
        if getattr(self, "client", None):
            self.client.stop()

    def test_main_window_is_frameless_and_the_program_ends_with_it(self):
        self.client = Client().start()
        window = self.client.window_of_size(984, 624)
        # No system frame: Qt asks the window manager for no decorations at all.
        hints = subprocess.run(["xprop", "-id", window, "_MOTIF_WM_HINTS"],
                               capture_output=True, text=True).stdout
        self.assertRegex(hints, r"= 0x[23], 0x[0-9a-f]+, 0x0")
        screenshot("main-window", window, min_colours=16)
        self.client.click(window, 963, 14)  # the close button of the title strip
        self.assertEqual(self.client.wait_exit(), 0)

    def test_missing_browser_engine_shows_the_error_and_exits_255(self):
        self.client = Client(env={"QTWEBENGINEPROCESS_PATH": "/nonexistent/QtWebEngineProcess"})
        self.client.start()
        box = wait_for(lambda: self.client.windows(), timeout=60, what="the error box")[0]
        self.assertEqual(xdotool("getwindowname", box), "Error")
        screenshot("runtime-error", box)
        xdotool("key", "--window", box, "Return")
        self.assertEqual(self.client.wait_exit(), 255)
        self.assertIn(ERROR_TEXT, self.client.stderr())

    def test_without_a_display_the_error_goes_to_standard_error(self):
        env = {"DISPLAY": "", "WAYLAND_DISPLAY": "", "QT_QPA_PLATFORM": ""}
        self.client = Client(env=env).start()
        self.assertEqual(self.client.wait_exit(), 255)
        self.assertIn(ERROR_TEXT, self.client.stderr())

    def test_program_folder_with_a_long_path_and_blanks_works(self):
        deep = os.path.join(*(["a folder with blanks"] * 10), "app")
        self.client = Client(folder_name=deep)
        self.assertGreater(len(self.client.app), 200)
        self.client.start()
        window = self.client.window_of_size(984, 624)
        self.client.click(window, 963, 14)
        self.assertEqual(self.client.wait_exit(), 0)


if __name__ == "__main__":
    unittest.main(verbosity=2)
