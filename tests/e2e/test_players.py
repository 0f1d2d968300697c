"""Real web player libraries (hls.js and dash.js from the npm registry, versions pinned in
players/package-lock.json) play streams made by ffmpeg in PlayerWindow; the page's
full-screen button gives the page the whole screen, and Escape gives back the browser's
984 x 596 with the window where it was."""
import glob
import os
import unittest

from e2e_lib import (NO_TIMED_ADVERTS, ProgramTest, demo_text, screenshot_when, shows_page,
                     wait_for, xdotool)

HERE = os.path.dirname(os.path.abspath(__file__))
PLAYERS = os.environ.get("LUMORA_PLAYERS_DIR", "")
PRODUCT = demo_text("ads/namejt.html")
BROWSER_TOP = 28  # PlayerWindow's browser, below the title strip
LIBRARIES = {
    "hls": "node_modules/hls.js/dist/hls.min.js",
    "dash": "node_modules/dashjs/dist/modern/umd/dash.all.min.js",
}


def read(path):
    with open(path, "rb") as f:
        return f.read()


def player_site(library):
    """The demo site with video/1.html replaced by the library's page and its stream."""
    if not PLAYERS or not os.path.exists(os.path.join(PLAYERS, LIBRARIES[library])):
        raise AssertionError("the player libraries and streams are missing: build the "
                             "e2e_players target (scripts/test.sh does)")
    pages = {
        "video/1.html": read(os.path.join(HERE, "players", "player.html")),
        "players/page.js": read(os.path.join(HERE, "players", "page.js")),
        "players/start.js": read(os.path.join(HERE, "players", library + "-start.js")),
        "players/library.js": read(os.path.join(PLAYERS, LIBRARIES[library])),
    }
    for path in glob.glob(os.path.join(PLAYERS, "media", library, "*")):
        pages[f"media/{library}/{os.path.basename(path)}"] = read(path)
    return {**NO_TIMED_ADVERTS, **pages}


class PlayersTest(ProgramTest):
    def events(self, name):
        prefix = f"/event?name={name}"
        return [r[len(prefix):] for r in self.service.requests()
                if r == prefix or r.startswith(prefix + "&")]

    def open_player(self, library):
        main = self.start(player_site(library))
        wait_for(lambda: self.service.requested("/ads/ytkg.html"), 90, what="the end of start-up")
        screenshot_when(f"players-{library}-home", main, lambda p: shows_page(p, 10000), 90,
                        "the home page")
        player = self.client.open_first_video(main, PRODUCT + " 播放器")
        wait_for(lambda: self.events("playing") or self.events("error"), 90,
                 what=f"the {library} stream to play")
        self.assertEqual(self.events("error"), [])
        self.assertEqual(self.events("playing"), [f"&player={library}"])
        screenshot_when(f"players-{library}-playing", player, shows_page, 60, "the playing video")
        return player

    def test_hls_plays_and_full_screen_gives_the_screen_then_the_window_back(self):
        player = self.open_player("hls")
        self.assertIn("&size=984x596&full=0", self.events("viewport"))
        before = self.client.geometry(player)
        width, height = (int(v) for v in xdotool("getdisplaygeometry").split())

        self.client.click(player, 70, BROWSER_TOP + 30)  # the page's 全屏 button
        wait_for(lambda: f"&size={width}x{height}&full=1" in self.events("viewport"), 30,
                 what=lambda: f"the page's viewport to fill the screen: {self.events('viewport')}"
                              f" {self.events('fullscreen')} {self.client.geometry(player)}")
        self.assertEqual(self.events("fullscreen"), ["&result=granted"])
        full = self.client.geometry(player)
        self.assertEqual((full["WIDTH"], full["HEIGHT"]), (width, height))
        screenshot_when("players-hls-full-screen", player, shows_page, 30, "the full screen")

        viewports = len(self.events("viewport"))
        xdotool("key", "Escape")
        wait_for(lambda: "&size=984x596&full=0" in self.events("viewport")[viewports:], 30,
                 what="the page's viewport back to the browser's size")
        wait_for(lambda: self.client.geometry(player) == before, 30,
                 what="the window back where it was")
        self.assertIsNone(self.client.process.poll())

    def test_dash_plays(self):
        self.open_player("dash")


if __name__ == "__main__":
    unittest.main(verbosity=2)
