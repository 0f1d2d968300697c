"""The real program starts, shows its frameless main window and ends with it; the launcher
refuses to start without the run-time components it needs."""
import os
import signal
import subprocess
import unittest

from e2e_lib import (ON, Client, ProgramTest, Service, pixel, screenshot, screenshot_when,
                     wait_for, xdotool)

ERROR_TEXT = "Not found the kernel library or the kernel library is invalid!"
HOME = "<html><body style='background:#20242c;color:#ddd'><h1>Home</h1></body></html>"
# Close ends the program at once: tray setting "2" and the service's start-up switch on.
ENDING_CONFIG = b"[Config]\r\nLanguage=1\r\nTray=2\r\n"


class LaunchTest(ProgramTest):
    def setUp(self):
        super().setUp()
        self.service = Service({"/": HOME, "/ads/ksqd.html": ON})

    def start(self, **kwargs):
        env = kwargs.pop("env", {})
        env.setdefault("LUMORA_SERVICE_BASE", self.service.base)
        self.client = Client(env=env, **kwargs).start()
        return self.client

    def test_main_window_is_frameless_and_the_program_ends_with_it(self):
        self.start(config=ENDING_CONFIG)
        window = self.client.window_of_size(984, 624)
        # No system frame: Qt asks the window manager for no decorations at all.
        hints = subprocess.run(["xprop", "-id", window, "_MOTIF_WM_HINTS"],
                               capture_output=True, text=True).stdout
        self.assertRegex(hints, r"= 0x[23], 0x[0-9a-f]+, 0x0")
        screenshot("main-window", window, min_colours=16)
        self.client.click(window, 963, 14)  # the close button of the title strip
        self.assertEqual(self.client.wait_exit(), 0)
        self.assertIn("/ads/ksqd.html", self.service.requests)

    def test_without_opengl_the_pages_are_drawn_in_software(self):
        # OpenGL switched off for the toolkit, as on a display that offers none: the browsers
        # compose in software rather than the program ending at its first page.
        self.start(env={"QT_XCB_GL_INTEGRATION": "none"})
        window = self.client.window_of_size(984, 624)
        screenshot_when("main-window-without-opengl", window,
                        lambda path: pixel(path, 500, 400) == "20242C", timeout=60,
                        what="the home page drawn")
        self.assertIsNone(self.client.process.poll())

    def test_termination_signal_ends_the_program_in_order(self):
        self.start()
        self.client.window_of_size(984, 624)
        self.client.process.send_signal(signal.SIGTERM)
        self.assertEqual(self.client.wait_exit(), 128 + signal.SIGTERM)
        with open(os.path.join(self.client.app, "Config.ini"), "rb") as f:
            self.assertIn(b"PlayerWindows=1", f.read())

    def test_signals_end_open_message_boxes_and_menus(self):
        for sig, loop in ((signal.SIGTERM, "box"), (signal.SIGHUP, "box"),
                          (signal.SIGINT, "menu"), (signal.SIGTERM, "menu")):
            with self.subTest(signal=sig.name, loop=loop):
                # For the box, the service says this build is outdated: its notice waits for OK.
                for page in ("/ads/qzsj.html", "/ads/1.0.1303.21.html"):
                    if loop == "box":
                        self.service.pages[page] = ON
                    else:
                        self.service.pages.pop(page, None)
                self.start(config=ENDING_CONFIG)
                main = self.client.window_of_size(984, 624)
                if loop == "box":
                    wait_for(lambda: [w for w in self.client.windows() if w != main], 90,
                             what="the message box")
                else:
                    self.client.open_option_menu(main)
                self.client.process.send_signal(sig)
                # Ends at once: the bound here only keeps a hang from stalling the run.
                self.assertEqual(self.client.wait_exit(timeout=10), 128 + sig)
                with open(os.path.join(self.client.app, "Config.ini"), "rb") as f:
                    stored = f.read()
                self.assertIn(b"Language=1\r\n", stored)
                self.assertIn(b"Tray=2\r\n", stored)
                self.client.stop()
                self.client = None

    def test_missing_browser_engine_shows_the_error_and_exits_255(self):
        self.start(env={"QTWEBENGINEPROCESS_PATH": "/nonexistent/QtWebEngineProcess"})
        box = wait_for(lambda: self.client.windows(), timeout=60, what="the error box")[0]
        self.assertEqual(xdotool("getwindowname", box), "Error")
        screenshot("runtime-error", box, min_colours=8)
        # To the focused box, not aimed at it: the box ends on the press, and an aimed key's
        # release then never reaches the display, which keeps Return held for later tests.
        xdotool("key", "Return")
        self.assertEqual(self.client.wait_exit(), 255)
        self.assertIn(ERROR_TEXT, self.client.stderr())
        self.assertEqual(self.service.requests, [])  # nothing ran before the check

    def test_without_a_display_the_error_goes_to_standard_error(self):
        self.start(env={"DISPLAY": "", "WAYLAND_DISPLAY": "", "QT_QPA_PLATFORM": ""})
        self.assertEqual(self.client.wait_exit(), 255)
        self.assertIn(ERROR_TEXT, self.client.stderr())

    def test_program_folder_with_a_long_path_and_blanks_works(self):
        deep = os.path.join(*(["a folder with blanks"] * 10), "app")
        self.start(folder_name=deep, config=ENDING_CONFIG)
        self.assertGreater(len(self.client.app), 200)
        window = self.client.window_of_size(984, 624)
        self.client.click(window, 963, 14)
        self.assertEqual(self.client.wait_exit(), 0)


if __name__ == "__main__":
    unittest.main(verbosity=2)
