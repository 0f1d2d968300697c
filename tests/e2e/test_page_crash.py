"""Page processes killed with SIGKILL, as a crash or the out-of-memory killer would: the page
comes back by itself once, a second death soon after shows the local page in the interface
language, whose button brings the page back; the windows and Config.ini are untouched."""
import os
import time
import unittest

from e2e_lib import (NO_TIMED_ADVERTS, Client, DemoService, demo_text, kill_pages,
                     screenshot_when, shows_crash_page, shows_page, wait_for, xdotool)

CONFIG = b"[Config]\r\nLanguage=1\r\nTray=2\r\n"
PRODUCT = demo_text("ads/namejt.html")


class PageCrashTest(unittest.TestCase):
    def setUp(self):
        self.service = DemoService(NO_TIMED_ADVERTS)
        self.client = Client(env={"LUMORA_SERVICE_BASE": self.service.base}, config=CONFIG)

    def tearDown(self):
        self.client.stop()
        self.service.stop()

    def count(self, target):
        return self.service.requests().count(target)

    def start(self):
        self.client.start()
        xdotool("mousemove", "--sync", "0", "0")
        window = self.client.window_of_size(984, 624)
        wait_for(lambda: self.service.requested("/ads/ytkg.html"), 90, what="the end of start-up")
        screenshot_when("crash-home-before", window, lambda p: shows_page(p, 10000), 90,
                        "the home page")
        self.keep_config()
        return window

    def keep_config(self):
        with open(os.path.join(self.client.app, "Config.ini"), "rb") as f:
            self.config_before = f.read()

    def assert_config_unchanged(self):
        with open(os.path.join(self.client.app, "Config.ini"), "rb") as f:
            self.assertEqual(f.read(), self.config_before)

    def test_the_main_window_reloads_then_shows_the_local_page_whose_button_reloads(self):
        window = self.start()
        # The new page process asks for the style sheet: the second death must reach it.
        loads, styles = self.count("/"), self.count("/assets/site.css")
        kill_pages(self.client)
        wait_for(lambda: self.count("/") > loads, 60, what="the home page loaded again")
        wait_for(lambda: self.count("/assets/site.css") > styles, 60, what="the page's style sheet")
        screenshot_when("crash-home-reloaded", window, lambda p: shows_page(p, 10000), 60,
                        "the home page again")

        # A second death inside 30 s: the local page, and no third load of its own.
        loads = self.count("/")
        kill_pages(self.client)
        screenshot_when("crash-local-page", window, shows_crash_page, 60, "the local page")
        time.sleep(2)
        self.assertEqual(self.count("/"), loads)
        self.assertIsNone(self.client.process.poll())
        self.assertIn(window, self.client.windows())

        # Its button, from the keyboard: focus the page, Tab to the button, Enter.
        self.client.click(window, 40, 60)
        xdotool("key", "Tab", "Return")
        wait_for(lambda: self.count("/") > loads, 60, what="the home page after the button")
        screenshot_when("crash-home-after-button", window, lambda p: shows_page(p, 10000), 60,
                        "the home page after the button")
        self.assert_config_unchanged()

    def test_the_player_reloads_its_video_page_and_plays_again(self):
        main = self.start()
        player = self.client.open_first_video(main, PRODUCT + " 播放器")
        playing = "/event?name=playing&video=1"
        wait_for(lambda: self.count(playing) >= 1, 90, what="the video to play")
        before = self.client.geometry(player)
        self.keep_config()  # as the player's opening left it

        plays, pages = self.count(playing), self.count("/video/1.html")
        kill_pages(self.client)
        wait_for(lambda: self.count("/video/1.html") > pages, 60, what="the video page again")
        wait_for(lambda: self.count(playing) > plays, 90, what="the video to play again")
        screenshot_when("crash-player-reloaded", player, shows_page, 60, "the playing video")
        self.assertEqual(self.client.geometry(player), before)
        self.assertIn(main, self.client.windows())
        self.assert_config_unchanged()


if __name__ == "__main__":
    unittest.main(verbosity=2)
