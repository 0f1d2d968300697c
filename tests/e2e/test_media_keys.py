"""The desktop's media controls (what media keys and a panel's player applet use) drive the
player's video over a private session bus: PlayPause pauses the page's video and the status
says so, Play resumes it, Quit closes the player alone as its close button does, and the bus
name goes with the player. Without a session bus the player plays all the same."""
import os
import re
import subprocess
import time
import unittest

from e2e_lib import (NO_TIMED_ADVERTS, Client, DemoService, SessionBus, demo_text, wait_for,
                     xdotool)

HERE = os.path.dirname(os.path.abspath(__file__))
CONFIG = b"[Config]\r\nLanguage=1\r\nTray=2\r\n"
PRODUCT = demo_text("ads/namejt.html")
CLOSE_BUTTON = (951 + 13, 4 + 10)  # PlayerWindow's close button, window coordinates
NAME = "org.mpris.MediaPlayer2.lumora"
OBJECT = "/org/mpris/MediaPlayer2"
PLAYER = "org.mpris.MediaPlayer2.Player"


def test_site():
    with open(os.path.join(HERE, "media", "video.html"), "rb") as f:
        return {**NO_TIMED_ADVERTS, "video/1.html": f.read()}


def told_paused(signals):
    with open(signals, encoding="utf-8", errors="replace") as f:
        return re.search(r'string "PlaybackStatus"\s+variant\s+string "Paused"', f.read())


class MediaBus(SessionBus):
    """The private session bus, watched and driven as a panel's player applet does."""

    def watch_properties(self, path):
        """Records the PropertiesChanged signals on the bus into a file."""
        self.out = open(path, "wb")
        self.monitor = subprocess.Popen(
            ["dbus-monitor", "--session",
             "type='signal',interface='org.freedesktop.DBus.Properties',"
             "member='PropertiesChanged'"],
            env={**os.environ, "DBUS_SESSION_BUS_ADDRESS": self.address},
            stdout=self.out, stderr=subprocess.DEVNULL)
        time.sleep(1)  # until the monitor is in place

    def stop(self):
        if getattr(self, "monitor", None):
            self.monitor.terminate()
            self.monitor.wait(10)
            self.out.close()
        super().stop()

    def player(self, member, *args):
        return self.send(NAME, OBJECT, f"{PLAYER}.{member}", *args)

    def get(self, interface, prop):
        return self.send(NAME, OBJECT, "org.freedesktop.DBus.Properties.Get",
                         f"string:{interface}", f"string:{prop}")

    def status(self):
        found = re.search(r'variant\s+string "(\w+)"', self.get(PLAYER, "PlaybackStatus"))
        return found.group(1) if found else None


class MediaKeysTest(unittest.TestCase):
    def setUp(self):
        self.client = None
        self.service = DemoService(test_site())
        self.bus = None

    def tearDown(self):
        if self.client:
            self.client.stop()
        self.service.stop()
        if self.bus:
            self.bus.stop()

    def events(self, name):
        return self.service.requests().count(f"/event?name={name}")

    def start(self, bus_address):
        self.client = Client(env={"LUMORA_SERVICE_BASE": self.service.base,
                                  "DBUS_SESSION_BUS_ADDRESS": bus_address}, config=CONFIG)
        self.client.start()
        main = self.client.window_of_size(984, 624)
        wait_for(lambda: self.service.requested("/ads/ytkg.html"), 90, what="the end of start-up")
        return main

    def open_player(self, main):
        playing = self.events("playing")
        xdotool("mousemove", "--sync", "0", "0")  # off the card, so hovering it shows
        player = self.client.open_first_video(main, PRODUCT + " 播放器")
        wait_for(lambda: self.events("playing") > playing, 90, what="the video to play")
        return player

    def test_media_controls_pause_and_resume_the_video_and_quit_closes_only_the_player(self):
        self.bus = MediaBus()
        main = self.start(self.bus.address)
        self.assertFalse(self.bus.has_owner(NAME), "no player window, no media player")
        player = self.open_player(main)

        wait_for(lambda: self.bus.has_owner(NAME), 30, what="the player's bus name")
        identity = self.bus.get("org.mpris.MediaPlayer2", "Identity")
        self.assertIn(f'string "{PRODUCT} 播放器"', identity)
        wait_for(lambda: self.bus.status() == "Playing", 30, what="the status to say Playing")
        metadata = self.bus.get(PLAYER, "Metadata")
        self.assertIn('string "Media keys test video"', metadata)
        self.assertIn('"mpris:trackid"', metadata)
        length = re.search(r'"mpris:length"\s+variant\s+int64 (\d+)', metadata)
        self.assertIsNotNone(length, metadata)
        self.assertGreater(int(length.group(1)), 1_000_000)  # the demo video's ten seconds
        self.assertIn("boolean true", self.bus.get(PLAYER, "CanSeek"))

        # PlayPause pauses the page's own video: the page itself reports it; the desktop
        # hears of it without asking.
        signals = os.path.join(self.client.root, "properties-changed.txt")
        self.bus.watch_properties(signals)
        pauses = self.events("pause")
        self.bus.player("PlayPause")
        wait_for(lambda: self.events("pause") > pauses, 30, what="the page's video to pause")
        wait_for(lambda: self.bus.status() == "Paused", 10, what="the status to say Paused")
        wait_for(lambda: told_paused(signals), 10, what="a PropertiesChanged signal saying Paused")
        # Play resumes it; Pause and PlayPause again pause it.
        playing = self.events("playing")
        self.bus.player("Play")
        wait_for(lambda: self.events("playing") > playing, 30, what="the video to play again")
        wait_for(lambda: self.bus.status() == "Playing", 10, what="the status to say Playing")
        pauses = self.events("pause")
        self.bus.player("Pause")
        wait_for(lambda: self.events("pause") > pauses, 30, what="the video to pause again")
        self.bus.player("PlayPause")
        wait_for(lambda: self.bus.status() == "Playing", 10, what="PlayPause to resume")
        # Stop says Stopped until the video plays again; Raise is answered.
        self.bus.player("Stop")
        wait_for(lambda: self.bus.status() == "Stopped", 10, what="the status to say Stopped")
        self.bus.player("Play")
        wait_for(lambda: self.bus.status() == "Playing", 10, what="Play to restart")
        self.bus.send(NAME, OBJECT, "org.mpris.MediaPlayer2.Raise")
        # Nobody on the bus chooses what the player opens.
        with self.assertRaises(AssertionError):
            self.bus.player("OpenUri", "string:file:///etc/passwd")

        # Quit takes the close button's path: the player closes, recorded as closed, and
        # the main window stays; the name goes with the player.
        self.bus.send(NAME, OBJECT, "org.mpris.MediaPlayer2.Quit")
        wait_for(lambda: player not in self.client.windows(), 30, what="the player to close")
        self.assertIn(main, self.client.windows())
        wait_for(lambda: not self.bus.has_owner(NAME), 30, what="the bus name to go")
        with open(os.path.join(self.client.app, "Config.ini"), "rb") as f:
            self.assertIn(b"PlayerOpen=1", f.read())
        self.assertIsNone(self.client.process.poll(), "the program runs on")

    def test_without_a_session_bus_the_player_plays_and_nothing_repeats_on_stderr(self):
        main = self.start("unix:path=/nonexistent-lumora-test/no-bus")
        player = self.open_player(main)
        self.client.click(player, *CLOSE_BUTTON)
        wait_for(lambda: player not in self.client.windows(), 30, what="the player to close")
        self.open_player(main)
        self.assertIsNone(self.client.process.poll(), "the program runs on")
        lines = [line for line in self.client.stderr().splitlines()
                 if re.search(r"d-?bus|mpris", line, re.IGNORECASE)]
        self.assertEqual(len(lines), len(set(lines)), lines)


if __name__ == "__main__":
    unittest.main()
