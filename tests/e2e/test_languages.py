"""Start-up in Traditional Chinese and in English, checked on what the user is shown: the
main window's caption as the window manager gets it, the option menu's entries and the
browser's own navigation menu (not the web engine's) as the accessibility tree reads them
from the drawn menus; and the navigation menu's Refresh reloads the page from the service."""
import time
import unittest

from e2e_lib import (NO_TIMED_ADVERTS, AccessibilityBus, ProgramTest, click_item, geometry_of,
                     wait_for, xdotool)

# The service's name page of each language, made distinct so a caption shows which was read.
NAMES = {2: ("ads/nameft.html", "Lumora 繁體版"), 3: ("ads/nameyy.html", "Lumora English")}
OPTION_MENU = {
    2: ["軟件設置", "", "聯系客服", "", "升級程序", "關于本程序", "", "退出"],
    3: ["Settings", "", "Contact us", "", "Upgrade program", "About program", "", "Quit"],
}
NAVIGATION_MENU = {  # the main window's browser; a separator has no name
    2: ["返回", "前進", "", "從新載入", "", "停止"],
    3: ["GoBack", "GoForward", "", "Refresh", "", "Stop"],
}
BROWSER_SPOT = (500, 320)  # in the main window's content area
REFRESH = {2: "從新載入", 3: "Refresh"}


class LanguagesTest(ProgramTest):
    def run_language(self, code):
        bus = AccessibilityBus()
        self.addCleanup(bus.stop)
        page, name = NAMES[code]
        config = f"[Config]\r\nLanguage={code}\r\nTray=2\r\n".encode()
        window = self.start({**NO_TIMED_ADVERTS, page: name.encode("gbk")},
                            lambda client: client.env.update(bus.env), config)
        wait_for(lambda: self.service.requested("/ads/ytkg.html"), 60, what="the end of start-up")
        self.assertEqual(xdotool("getwindowname", window), name)

        menu = self.client.open_option_menu(window)
        self.assertEqual([item[0] for item in bus.menu_items(menu)], OPTION_MENU[code])
        xdotool("key", "Escape")
        wait_for(lambda: not geometry_of(menu) or menu not in self.client.windows(), 10,
                 what="the option menu closed")

        homes = self.service.requests().count("/")
        menu = self.client.popup_menu(window, *BROWSER_SPOT, button="3")
        items = bus.menu_items(menu)
        self.assertEqual([item[0] for item in items], NAVIGATION_MENU[code])
        click_item(items, REFRESH[code])
        wait_for(lambda: self.service.requests().count("/") > homes, 20,
                 what="the home page asked for again")
        # The press goes on to the page once the menu is done: the engine must not answer it
        # with a menu of its own.
        time.sleep(1.5)
        self.assertEqual(self.client.windows(), [window])

    def test_traditional_chinese(self):
        self.run_language(2)

    def test_english(self):
        self.run_language(3)


if __name__ == "__main__":
    unittest.main(verbosity=2)
