"""A service that is slow but works (every page of ads/ answered after 1 s) gets the same
program as a fast one: start-up, a column and the exit with its pop-up ask for the same pages
in the same order, and the program ends by itself as it does against a fast service."""
import time
import unittest

from e2e_lib import NO_TIMED_ADVERTS, Client, DemoService, demo_text, wait_for, xdotool

CONFIG = b"[Config]\r\nLanguage=1\r\nTray=2\r\n"
PRODUCT = demo_text("ads/namejt.html")
# Pages a browser shows rather than the program reads: their requests may come at any time
# relative to the program's own fetches.
SHOWN = {"/ads/tv.html", "/ads/tuitan.html", "/ads/Loading.html"}


class SlowServiceTest(unittest.TestCase):
    def run_flow(self, delay_ms):
        """Start-up, the live-TV column, Quit from the option menu with the exit pop-up, the
        program's own end. Returns the pages of ads/ the program read, in order."""
        service = DemoService(NO_TIMED_ADVERTS, delay_ms=delay_ms)
        client = Client(env={"LUMORA_SERVICE_BASE": service.base}, config=CONFIG)
        try:
            client.start()
            xdotool("mousemove", "--sync", "0", "0")
            window = client.window_of_size(984, 624)
            wait_for(lambda: service.requested("/ads/ytkg.html"), 120, what="the end of start-up")
            time.sleep(1 + delay_ms / 1000)  # nothing more is asked after the last switch
            client.click(window, 173 + 30, 8 + 8)  # 栏目2标签: the live-TV column
            wait_for(lambda: service.requested("/ads/tv.html"), 60, what="the live-TV page")
            menu = client.open_option_menu(window)
            client.choose_menu_item(menu, last=True)  # 退出
            self.assertEqual(client.wait_exit(timeout=120), 0)
            return [r for r in service.requests() if r.startswith("/ads/") and r not in SHOWN]
        finally:
            client.stop()
            service.stop()

    def test_a_slow_service_gets_every_step_in_the_same_order(self):
        fast = self.run_flow(0)
        started = time.monotonic()
        slow = self.run_flow(1000)
        self.assertGreater(time.monotonic() - started, len(slow) * 0.9, "the delay did not apply")
        self.assertIn("/ads/ttkg.html", fast)
        self.assertEqual(slow, fast)


if __name__ == "__main__":
    unittest.main(verbosity=2)
