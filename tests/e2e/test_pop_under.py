"""The pop-under on the service's schedule: it opens at the first tick with its caption and
records itself as shown, comes back at each interval the service sets after the user has
closed it, and stops coming once the service's interval is 0."""
import os
import time
import unittest

from e2e_lib import OFF, ON, ProgramTest, demo_text, wait_for, xdotool

FIRST_MS = 1000  # instead of the minute before the first tick; not the interval
INTERVAL = 2  # seconds, as the service sets it
CAPTION = demo_text("ads/namejt.html") + " 背投广告"
CLOSE_BUTTON = (567 + 13, 4 + 10)  # 关闭按钮1, in the window


class PopUnderTest(ProgramTest):
    def display_advertising(self):
        with open(os.path.join(self.client.app, "Config.ini"), "rb") as f:
            for line in f.read().decode("latin-1").splitlines():
                if line.startswith("Display advertising="):
                    return line.split("=", 1)[1]
        return None

    def pop_under(self, timeout):
        return self.client.window_of_size(600, 400, timeout=timeout)

    def test_the_pop_under_keeps_the_services_schedule(self):
        pages = {"ads/btkg.html": ON, "ads/btsj.html": str(INTERVAL).encode(),
                 "ads/ytkg.html": OFF}
        self.start(pages, lambda c: c.env.update({"LUMORA_POP_UNDER_FIRST_MS": str(FIRST_MS)}))
        wait_for(lambda: self.service.requested("/ads/btkg.html"), 60, what="the pop-under switch")
        switched = time.time()

        window = self.pop_under(timeout=FIRST_MS / 1000 + 10)
        self.assertEqual(xdotool("getwindowname", window), CAPTION)
        self.assertEqual(self.display_advertising(), "2")
        ticks = wait_for(lambda: self.service.request_times("/ads/btsj.html"), 10,
                         what="the first tick's interval")
        self.assertEqual(len(ticks), 1)
        self.assertGreater(ticks[0] - switched, FIRST_MS / 1000 - 0.5, "the first tick came early")

        # Closed by the user, it comes back at the next tick.
        self.client.click(window, *CLOSE_BUTTON)
        wait_for(lambda: self.display_advertising() == "1", 10, what="the close recorded")
        wait_for(lambda: window not in self.client.windows(), 10, what="the pop-under closed")
        window = self.pop_under(timeout=INTERVAL + 10)
        self.assertEqual(self.display_advertising(), "2")

        # Each tick asks for the next interval; 0 stops the timer for good.
        wait_for(lambda: len(self.service.request_times("/ads/btsj.html")) >= 3, INTERVAL + 10,
                 what="a third tick")
        self.service.set_page("ads/btsj.html", b"0")
        count = len(self.service.request_times("/ads/btsj.html"))
        wait_for(lambda: len(self.service.request_times("/ads/btsj.html")) > count,
                 INTERVAL + 10, what="the tick that reads 0")
        time.sleep(2 * INTERVAL + 0.5)
        ticks = self.service.request_times("/ads/btsj.html")
        self.assertEqual(len(ticks), count + 1, "ticks after an interval of 0")
        gaps = [b - a for a, b in zip(ticks, ticks[1:])]
        for gap in gaps:
            self.assertGreater(gap, INTERVAL - 0.5, gaps)
            self.assertLess(gap, INTERVAL + 2, gaps)
        self.assertIsNone(self.client.process.poll())


if __name__ == "__main__":
    unittest.main(verbosity=2)
