"""The content windows and dialogs against the demo service: a video link opens the player
and the video plays, the application centre opens an application in its own window,
Settings writes and removes the start-with-system entry and switches tabs with About, the
dialogs answer Tab, Enter and Escape as they answer the mouse, and a language change restarts
the program in the new language."""
import os
import unittest

from e2e_lib import (NO_TIMED_ADVERTS, Client, DemoService, demo_text, language_table, screenshot,
                     screenshot_when, shows_page, wait_for, window_named, xdotool)

CONFIG = b"[Config]\r\nLanguage=1\r\nTray=2\r\n"
# The demo's start-up switch is off: the product name comes from the service's name page.
PRODUCT = demo_text("ads/namejt.html")
COLUMNS = language_table(1)

# Window coordinates of the clock's card in the application centre (left, top, width, height).
CLOCK_CARD = (340, 232, 304, 100)

# SettingsWindow's controls (left, top, width, height); a click lands in the middle.
START_WITH_SYSTEM_BOX = (248, 53, 13, 13)
ENGLISH_BOX = (437, 78, 13, 13)
CONFIRM_BUTTON = (186, 300, 81, 27)
APPLY_BUTTON = (398, 300, 81, 27)
OPTIONS_TAB = (10, 36, 102, 36)
ABOUT_TAB = (10, 73, 102, 36)


def middle(control):
    left, top, width, height = control
    return left + width // 2, top + height // 2


def config_items(client):
    with open(os.path.join(client.app, "Config.ini"), "rb") as f:
        lines = f.read().decode("gbk").splitlines()
    return dict(line.split("=", 1) for line in lines if "=" in line)


class ContentWindowsTest(unittest.TestCase):
    def setUp(self):
        self.client = None
        self.service = DemoService(NO_TIMED_ADVERTS)

    def tearDown(self):
        if self.client:
            self.client.stop()  # with any copy a restart started
        self.service.stop()

    def start(self, name):
        """Starts the program and waits until start-up is over and the home page shows."""
        self.client = Client(env={"LUMORA_SERVICE_BASE": self.service.base}, config=CONFIG)
        # Its own settings folder, whatever the environment says: the autostart entry goes there.
        self.client.env["XDG_CONFIG_HOME"] = os.path.join(self.client.root, "xdg-config")
        self.client.start()
        xdotool("mousemove", "--sync", "0", "0")  # no page under the pointer by chance
        window = self.client.window_of_size(984, 624)
        # The right pop-up's switch is the last start-up request (it says off here).
        wait_for(lambda: self.service.requested("/ads/ytkg.html"), 90, what="the end of start-up")
        screenshot_when(f"home-before-{name}", window,
                        lambda p: shows_page(p, min_colours=10000), 90, "the home page")
        return window

    def placed_over(self, window, under):
        opened, base = self.client.geometry(window), self.client.geometry(under)
        self.assertEqual((opened["X"], opened["Y"], opened["WIDTH"], opened["HEIGHT"]),
                         (base["X"] + 30, base["Y"] + 30, 984, 624))

    def open_settings(self, main):
        menu = self.client.open_option_menu(main)
        self.client.choose_menu_item(menu)  # 软件选项
        return self.client.window_titled(PRODUCT + "设置窗口")

    def click_and_wait_closed(self, window, control):
        self.client.click(window, *middle(control))
        wait_for(lambda: window not in self.client.windows(), 30, what="the dialog to close")

    def test_a_video_link_opens_the_player_and_the_video_plays(self):
        main = self.start("player")
        player = self.client.open_first_video(main, PRODUCT + " 播放器")
        self.placed_over(player, main)
        # The player shows the link that was under the pointer, and its video plays.
        wait_for(lambda: self.service.requested("/video/1.html"), 60, what="the video page")
        wait_for(lambda: self.service.requested("/event?name=playing&video=1"), 90,
                 what="the video to play")
        screenshot_when("player-playing", player, shows_page, 60, "the playing video")
        self.assertFalse([r for r in self.service.requests() if r.startswith("/video/")
                          and r != "/video/1.html"])

    def test_the_application_centre_opens_an_application_in_its_own_window(self):
        main = self.start("application")
        self.client.click(main, 243 + 30, 8 + 8)  # 栏目3标签: toppic-relative 243, 8, 60 x 16
        centre = self.client.window_titled(f"{PRODUCT} {COLUMNS['Column 3']}")
        self.placed_over(centre, main)
        wait_for(lambda: self.service.requested("/ads/app.html"), 60, what="the application centre")
        screenshot_when("application-centre", centre, shows_page, 90, "the application centre")

        self.client.hover(centre, *middle(CLOCK_CARD), CLOCK_CARD)
        xdotool("click", "1")
        app = self.client.window_titled(PRODUCT + "APP应用窗口")
        self.placed_over(app, centre)
        wait_for(lambda: self.service.requested("/apps/clock.html"), 60,
                 what="the clock application")
        screenshot_when("application-window", app, shows_page, 90, "the clock application")
        self.assertIn(centre, self.client.windows(), "the application centre stays open")

    def test_settings_adds_and_removes_the_autostart_entry_and_swaps_tabs_with_about(self):
        main = self.start("settings")
        entry = os.path.join(self.client.env["XDG_CONFIG_HOME"], "autostart", "lumora.desktop")
        program = os.path.realpath(os.path.join(self.client.app, "lumora"))

        settings = self.open_settings(main)
        screenshot("settings", settings, min_colours=64)
        self.client.click(settings, *middle(START_WITH_SYSTEM_BOX))
        self.click_and_wait_closed(settings, CONFIRM_BUTTON)
        wait_for(lambda: os.path.exists(entry), 30, what="the autostart entry")
        with open(entry, encoding="utf-8") as f:
            self.assertIn(f'\nExec="{program}"\n', f.read())
        self.assertEqual(config_items(self.client)["Start"], "1")

        # The About tab replaces Settings with About, which shows what the service publishes.
        settings = self.open_settings(main)
        asked = len(self.service.requests())
        self.click_and_wait_closed(settings, ABOUT_TAB)
        about = self.client.window_of_size(552, 352)
        pages = ["/ads/namejt.html", "/ads/bb.html", "/ads/sjbb.html", "/ads/gyrjjt.html",
                 "/ads/namejt.html"]
        self.assertEqual([r for r in self.service.requests()[asked:] if r in pages], pages)
        screenshot("about", about, min_colours=64)
        self.click_and_wait_closed(about, OPTIONS_TAB)

        # Back in Settings the box shows the stored choice; clearing it removes the entry.
        settings = self.client.window_titled(PRODUCT + "设置窗口")
        self.client.click(settings, *middle(START_WITH_SYSTEM_BOX))
        self.click_and_wait_closed(settings, CONFIRM_BUTTON)
        wait_for(lambda: not os.path.exists(entry), 30, what="the autostart entry to go")
        self.assertEqual(config_items(self.client)["Start"], "0")
        self.assertIsNone(self.client.process.poll())

    def test_the_dialogs_answer_the_keyboard_as_they_answer_the_mouse(self):
        main = self.start("keyboard")
        settings = self.open_settings(main)
        config_before = config_items(self.client)  # as Settings left it on opening
        xdotool("windowfocus", "--sync", settings)
        # Back from the first box, the About tab; Enter is its click: About replaces Settings.
        xdotool("key", "shift+Tab")
        xdotool("key", "Return")
        wait_for(lambda: settings not in self.client.windows(), 30, what="Settings to close")
        about = self.client.window_of_size(552, 352)
        xdotool("windowfocus", "--sync", about)
        # Escape is the close button: About goes, and nothing was stored or changed.
        xdotool("key", "Escape")
        wait_for(lambda: about not in self.client.windows(), 30, what="About to close")
        self.assertEqual(config_items(self.client), config_before)
        self.assertIsNone(self.client.process.poll())

    def test_a_language_change_applied_restarts_the_program_in_that_language(self):
        main = self.start("language")
        old_pid = self.client.process.pid
        settings = self.open_settings(main)
        self.client.click(settings, *middle(ENGLISH_BOX))
        screenshot("settings-english-chosen", settings, min_colours=64)
        asked = len(self.service.requests())
        self.client.click(settings, *middle(APPLY_BUTTON))
        self.assertEqual(self.client.wait_exit(timeout=60), 0)
        self.assertEqual(config_items(self.client)["Language"], "3")

        # A new process of the same program file shows the main window again...
        product = demo_text("ads/nameyy.html")
        english = window_named(product, timeout=90)
        self.assertEqual(self.client.geometry(english)["WIDTH"], 984)
        pid = int(xdotool("getwindowpid", english))
        self.assertNotEqual(pid, old_pid)
        self.assertEqual(os.readlink(f"/proc/{pid}/exe"),
                         os.path.realpath(os.path.join(self.client.app, "lumora")))
        wait_for(lambda: "/event?name=home-load" in self.service.requests()[asked:], 90,
                 what="the new process's home page")
        screenshot_when("restarted-in-english", english,
                        lambda p: shows_page(p, min_colours=10000), 90, "the English main window")
        # ...and speaks English: a column's window is titled with the English column name.
        self.client.click(english, 173 + 30, 8 + 8)  # 栏目2标签
        window_named(f"{product} {language_table(3)['Column 2']}", timeout=60)

if __name__ == "__main__":
    unittest.main(verbosity=2)
