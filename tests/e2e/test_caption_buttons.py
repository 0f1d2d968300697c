"""The caption buttons of MainWindow change their pictures on screen as the pointer enters,
presses and leaves them; a press released outside a button does not click it."""
import os
import subprocess
import unittest

from e2e_lib import (ARTIFACTS, ON, Client, ProgramTest, Service, colours, differing_pixels,
                     screenshot, wait_for, xdotool)

HOME = "<html><body style='background:#20242c;color:#ddd'><h1>Home</h1></body></html>"
# Close would end the program at once, so an unwanted click shows as an early exit.
ENDING_CONFIG = b"[Config]\r\nLanguage=1\r\nTray=2\r\n"
# Caption buttons of the title strip: (left, top, width, height) in the window.
BUTTONS = {
    "minimize": (892, 4, 26, 20),
    "maximize": (922, 4, 26, 20),
    "close": (950, 4, 26, 20),
}
STRIP_SPOT = (600, 14)  # the title strip, clear of every button and label


class CaptionButtonTest(ProgramTest):
    def setUp(self):
        super().setUp()
        self.service = Service({"/": HOME, "/ads/ksqd.html": ON})

    def crop(self, name, button):
        """Saves the button's area of the window as an artifact and returns its path."""
        x, y, w, h = BUTTONS[button]
        os.makedirs(ARTIFACTS, exist_ok=True)
        path = os.path.join(ARTIFACTS, f"caption-{button}-{name}.png")
        shot = os.path.join(self.client.root, "window.png")
        subprocess.run(["import", "-window", self.window, shot], check=True, capture_output=True)
        subprocess.run(["convert", shot, "-crop", f"{w}x{h}+{x}+{y}", "+repage", path],
                       check=True)
        return path

    def crop_when(self, name, button, condition, what):
        """Crops until the picture meets condition(path); a repaint may trail the pointer."""
        return wait_for(lambda: (lambda p: p if condition(p) else None)(self.crop(name, button)),
                        30, interval=0.2, what=what)

    def move_to(self, x, y):
        g = self.client.geometry(self.window)
        xdotool("mousemove", "--sync", str(g["X"] + x), str(g["Y"] + y))

    def test_hover_and_pressed_pictures_differ_on_screen(self):
        self.client = Client(env={"LUMORA_SERVICE_BASE": self.service.base},
                             config=ENDING_CONFIG).start()
        self.window = self.client.window_of_size(984, 624)
        screenshot("caption-window", self.window, min_colours=16)
        xdotool("mousemove", "--sync", "0", "0")  # off the window

        for button, (x, y, w, h) in BUTTONS.items():
            with self.subTest(button=button):
                normal = self.crop_when("normal", button, lambda p: colours(p) > 1,
                                        f"the {button} button's picture")
                self.move_to(x + w // 2, y + h // 2)
                hover = self.crop_when("hover", button,
                                       lambda p: differing_pixels(p, normal) > 0,
                                       f"the {button} button's hover picture")
                self.assertGreater(differing_pixels(hover, normal), 20)
                self.move_to(*STRIP_SPOT)
                self.crop_when("left", button, lambda p: differing_pixels(p, normal) == 0,
                               f"the {button} button's normal picture after the pointer left")

        # Pressed: down on the close button, then away before the release, so no click.
        x, y, w, h = BUTTONS["close"]
        hover = os.path.join(ARTIFACTS, "caption-close-hover.png")
        self.move_to(x + w // 2, y + h // 2)
        self.crop_when("hover-again", "close", lambda p: differing_pixels(p, hover) == 0,
                       "the close button's hover picture again")
        xdotool("mousedown", "1")
        try:
            pressed = self.crop_when("pressed", "close",
                                     lambda p: differing_pixels(p, hover) > 0,
                                     "the close button's pressed picture")
            self.assertGreater(differing_pixels(pressed, hover), 20)
            self.move_to(*STRIP_SPOT)
        finally:
            xdotool("mouseup", "1")
        # A click would have ended the program; give a wrong click time to show.
        with self.assertRaises(subprocess.TimeoutExpired):
            self.client.process.wait(timeout=3)
        self.assertIn(self.window, self.client.windows())


if __name__ == "__main__":
    unittest.main(verbosity=2)
