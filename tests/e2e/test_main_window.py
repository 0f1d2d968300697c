"""MainWindow against the demo service: start-up shows the loading page during its wait and
then the home page, a column label opens the content window titled after the column, quit
with the exit pop-up on shows it and the program ends by itself, with the service down from
the start at once, and the option menu's customer-service item reaches the URL handler."""
import os
import time
import unittest
import urllib.parse
import urllib.request

from e2e_lib import (NO_POP_UNDER, NO_TIMED_ADVERTS, ProgramTest, demo_text, language_table,
                     record_desktop_opens, screenshot, screenshot_when, shows_loading_page,
                     DemoService, shows_page, wait_for, xdotool)

# Close and quit run the exit sequence; the demo's start-up switch is off, so the product
# name comes from the service's name page of language 1 and the columns from its table.
PRODUCT = demo_text("ads/namejt.html")
COLUMNS = language_table(1)
START_UP_PAGES = ["/ads/ksqd.html", "/ads/namejt.html", "/ads/zdylm1.html", "/ads/zdylm2.html",
                  "/"]


def shows_home_page(path):
    return shows_page(path, min_colours=10000)  # the demo home page: artwork in gradients


class MainWindowTest(ProgramTest):
    def test_start_up_shows_loading_then_home_and_a_column_opens_its_window(self):
        window = self.start(NO_POP_UNDER)
        self.assertEqual(xdotool("getwindowname", window), PRODUCT)

        # Once the home page is asked for, the 5-second wait runs with the loading page over
        # the content area; it is only there during that wait.
        wait_for(lambda: self.service.requested("/"), 90, what="the home page request")
        screenshot_when("start-up-loading", window, shows_loading_page, 30,
                        "the loading page during the start-up wait")
        screenshot_when("start-up-home", window, shows_home_page, 90, "the home page")
        wait_for(lambda: self.service.requested("/event?name=home-load"), 90,
                 what="the home page's load report")
        log = self.service.requests()
        positions = [log.index(page) for page in START_UP_PAGES]
        self.assertEqual(positions, sorted(positions), log)
        self.assertGreater(log.index("/event?name=home-load"), positions[-1], log)

        # Start-up ends with the right pop-up's switch; on, the advertisement shows 5 seconds
        # later at the bottom right of the screen, 4 pixels in from both edges.
        wait_for(lambda: self.service.requested("/ads/ytkg.html"), 90, what="the end of start-up")
        advert = self.client.window_of_size(296, 246, timeout=60)
        screen_width, screen_height = (int(v) for v in xdotool("getdisplaygeometry").split())
        placed = self.client.geometry(advert)
        self.assertEqual((placed["X"], placed["Y"]), (screen_width - 300, screen_height - 250))
        screenshot("right-pop-up", advert, min_colours=256, timeout=10)

        # 栏目2标签: toppic-relative 173, 8, 60 x 16; the press opens the live-TV column.
        self.client.click(window, 173 + 30, 8 + 8)
        title = f"{PRODUCT} {COLUMNS['Column 2']}"
        centre = wait_for(lambda: [w for w in self.client.windows()
                                   if xdotool("getwindowname", w) == title], 60,
                          what=f"AppCentreWindow titled {title!r}")[0]
        main, opened = self.client.geometry(window), self.client.geometry(centre)
        self.assertEqual((opened["X"], opened["Y"], opened["WIDTH"], opened["HEIGHT"]),
                         (main["X"] + 30, main["Y"] + 30, 984, 624))
        wait_for(lambda: self.service.requested("/ads/tv.html"), 60, what="the live-TV page")
        screenshot_when("column-live-tv", centre, shows_page, 90, "the live-TV page")
        self.assertIsNone(self.client.process.poll())

    def test_quit_with_the_exit_pop_up_shows_it_and_the_program_ends_by_itself(self):
        window = self.start(NO_TIMED_ADVERTS)
        # The right pop-up's switch is the last start-up request.
        wait_for(lambda: self.service.requested("/ads/ytkg.html"), 90, what="the end of start-up")
        screenshot_when("quit-home", window, shows_page, 90, "the home page")
        menu = self.client.open_option_menu(window)
        screenshot("option-menu", min_colours=16)
        self.client.choose_menu_item(menu, last=True)  # 退出

        popup = self.client.window_of_size(332, 276, timeout=60)
        shown = time.monotonic()
        self.assertNotIn(window, self.client.windows(), "MainWindow stays hidden behind the pop-up")
        wait_for(lambda: self.service.requested("/ads/tuitan.html"), 60, what="the pop-up's page")
        screenshot("exit-pop-up", popup, min_colours=1000, timeout=60)
        log = self.service.requests()
        quit_at = log.index("/ads/ttkg.html")
        self.assertEqual(log[quit_at:quit_at + 5],
                         ["/ads/ttkg.html", "/ads/rjyyqz.html", "/ads/rjyy.html",
                          "/ads/ttkg.html", "/ads/tuitan.html"])

        # Its 15-second timer ends the program; nobody touches the pop-up.
        self.assertEqual(self.client.wait_exit(timeout=15 + 30), 0)
        self.assertGreater(time.monotonic() - shown, 5, "the pop-up closed before its time")

    def test_contact_us_opens_the_service_chat_page_through_the_desktops_handler(self):
        # The real xdg-open, with a handler of this test's own as the default browser.
        def record_url_handler(client):
            self.opened = record_desktop_opens(client)

        window = self.start(NO_TIMED_ADVERTS, record_url_handler)
        wait_for(lambda: self.service.requested("/ads/ytkg.html"), 90, what="the end of start-up")
        menu = self.client.open_option_menu(window)
        # The pointer on the first item (软件选项) shows the menu has the input; the next item
        # down, past the separator, is 联系客服.
        g = self.client.geometry(menu)
        self.client.hover(menu, g["WIDTH"] // 2, 14, (4, 9, g["WIDTH"] - 8, 10))
        xdotool("key", "Down", "Return")

        wait_for(lambda: os.path.exists(self.opened), 30, what="the handler's record")
        with open(self.opened) as f:
            opened = f.read().split()
        product = urllib.parse.quote(PRODUCT.encode("gbk"), safe="")
        self.assertEqual(opened, [f"{self.service.base}kefu/chat.html?uin="
                                  f"{urllib.parse.quote(demo_text('ads/kefuqq.html').encode('gbk'), safe='')}"
                                  f"&Site={product}&Menu=yes"])
        self.assertTrue(self.service.requested("/ads/kefuqq.html"))
        with urllib.request.urlopen(opened[0], timeout=10) as page:
            self.assertIn("在线客服", page.read().decode("utf-8"))
        self.assertIsNone(self.client.process.poll())

    def test_quit_ends_the_program_with_the_service_down_from_the_start(self):
        self.service = DemoService()
        self.service.stop()  # nothing answers at its address from the start
        window = self.start()
        self.client.choose_menu_item(self.client.open_option_menu(window), last=True)  # 退出
        self.assertEqual(self.client.wait_exit(timeout=10), 0)  # no exit pop-up holds it 15 s


if __name__ == "__main__":
    unittest.main(verbosity=2)
