"""The program's browsers show only the service's own pages: a link the user clicks to another
site opens in the desktop's browser and the page stays, a page's own attempt to leave goes
nowhere, the player sent elsewhere says so on a local page, and script boxes are contained:
none from an advert, the service's own modal to its window only."""
import time
import unittest

from e2e_lib import (NO_TIMED_ADVERTS, ON, ProgramTest, demo_text, desktop_opens,
                     language_table, pixel, record_desktop_opens, screenshot, screenshot_when,
                     shows_page, wait_for, xdotool)

PRODUCT = demo_text("ads/namejt.html")
COLUMNS = language_table(1)
ELSEWHERE = "http://localhost:9/"  # another site: another host, never served
ALIVE = "<script>setInterval(() => fetch('/event?name=alive').catch(() => {}), 300)</script>"


def page(body, colour="#8ac"):
    return (f"<html><head><title>home</title></head><body style='margin:0;background:{colour}'>"
            f"{ALIVE}{body}</body></html>").encode()


def whole_page_link(href, target=""):
    return (f"<a {target} href='{href}' style='display:block;width:100%;height:600px'>"
            "away</a>")


class TrustedPagesTest(ProgramTest):
    def start_recording(self, pages):
        def record(client):
            self.opened = record_desktop_opens(client)
        return self.started(self.start({**NO_TIMED_ADVERTS, **pages}, record))

    def started(self, main):
        """The main window once start-up is over and its home page shows."""
        wait_for(lambda: self.service.requested("/ads/ytkg.html"), 90, what="the end of start-up")
        screenshot_when(f"trusted-home-{self._testMethodName[5:40]}", main,
                        lambda p: shows_page(p, 2), 60, "the home page")
        return main

    def recorded(self):
        return desktop_opens(self.opened)

    def alive_count(self):
        return self.service.requests().count("/event?name=alive")

    def assert_page_stays(self):
        before = self.alive_count()
        wait_for(lambda: self.alive_count() >= before + 3, 30, what="the page still running")

    def test_a_click_elsewhere_opens_the_desktop_browser_once_and_a_script_goes_nowhere(self):
        # The page tries to leave by itself, then again once clicked and past the user's
        # moment.
        script = (f"<script>setTimeout(() => location.href = '{ELSEWHERE}scripted', 500);"
                  f"onclick = () => setTimeout(() => location.href = '{ELSEWHERE}late', 2500);"
                  "</script>")
        main = self.start_recording({"index.html": page(whole_page_link(f"{ELSEWHERE}clicked") +
                                                        script)})
        self.client.click(main, 400, 300)
        wait_for(self.recorded, 30, what="the desktop browser asked")
        time.sleep(4)
        self.assertEqual(self.recorded(), [f"{ELSEWHERE}clicked"])
        self.assert_page_stays()
        screenshot_when("trusted-page-stays", main, lambda p: shows_page(p, 2), 30, "the page")

    def test_the_player_sent_elsewhere_shows_a_local_page_and_the_desktop_browser(self):
        home = page(whole_page_link(f"{ELSEWHERE}film.html", "target=_blank"))
        main = self.start_recording({"index.html": home})
        self.client.click(main, 400, 300)
        player = self.client.window_titled(PRODUCT + " 播放器")
        # The local page: the address and a button to open it again, in the middle.
        screenshot_when("trusted-player-elsewhere", player,
                        lambda p: pixel(p, 460, 364) == "3BA7F0", 60, "the local page's button")
        wait_for(self.recorded, 30, what="the desktop browser asked")
        time.sleep(2)
        self.assertEqual(self.recorded(), [f"{ELSEWHERE}film.html"])

    def test_an_advert_alert_loop_shows_nothing_and_the_service_page_asks_in_its_window(self):
        advert = ("<html><body style='background:#c84'><script>setInterval(() => {"
                  "alert('Your computer is infected! Call now');"
                  "fetch('/event?name=alerted').catch(() => {}); }, 300)</script></body></html>")
        home = page("<script>onclick = () => alert('hello from the service')</script>"
                    "<div style='height:600px'>click</div>")
        main = self.started(self.start({**NO_TIMED_ADVERTS, "ads/ytkg.html": ON,
                                         "ads/youtan.html": advert.encode(), "index.html": home}))
        self.client.window_of_size(296, 246, timeout=120)
        wait_for(lambda: self.service.requests().count("/event?name=alerted") >= 5, 60,
                 what="the advert's alerts answered at once")
        self.assertEqual(xdotool("search", "--onlyvisible", "--name", "网页消息|Alert").split(),
                         [])
        # The service's page: a box over its window, naming its host, answered by Enter.
        self.client.click(main, 400, 300)
        title = f"来自 {self.service.base.split('/')[2].split(':')[0]} 的网页消息"
        box = wait_for(lambda: xdotool("search", "--onlyvisible", "--name", title).split(), 30,
                       what="the page's box")[0]
        screenshot("trusted-script-box", box)
        xdotool("windowactivate", "--sync", box)
        xdotool("key", "Return")
        wait_for(lambda: not xdotool("search", "--onlyvisible", "--name", title).split(), 30,
                 what="the box gone")
        # Nothing blocks the user: a column opens its window.
        self.client.click(main, 173 + 30, 8 + 8)  # the live-TV column
        self.client.window_titled(f"{PRODUCT} {COLUMNS['Column 2']}", 60)
        self.assertIsNone(self.client.process.poll())


if __name__ == "__main__":
    unittest.main(verbosity=2)
