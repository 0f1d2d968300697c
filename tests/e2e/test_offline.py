"""On a machine without a network (run inside a network namespace where only loopback is
up), the program says so and ends after OK; a service on this machine itself still works."""
import subprocess
import unittest

from e2e_lib import ON, Client, Service, wait_for, window_named, xdotool

HOME = "<html><body style='background:#20242c;color:#ddd'><h1>Home</h1></body></html>"
CONFIG = b"[Config]\r\nLanguage=1\r\nTray=2\r\n"


def only_loopback_is_up():
    out = subprocess.run(["ip", "-o", "address"], capture_output=True, text=True).stdout
    return bool(out) and all(line.split()[1] == "lo" for line in out.splitlines())


class OfflineTest(unittest.TestCase):
    def setUp(self):
        self.client = None
        self.service = None
        self.assertTrue(only_loopback_is_up(), "run me in a namespace with only lo up")

    def tearDown(self):
        if self.client:
            self.client.stop()
        if self.service:
            self.service.stop()

    def test_a_remote_service_without_a_network_gets_the_notice_and_the_end(self):
        # A documentation address: nothing could answer it, and nothing is asked.
        self.client = Client(env={"LUMORA_SERVICE_BASE": "https://192.0.2.1/"},
                             config=CONFIG).start()
        box = window_named("提示", 90)
        self.assertIsNone(self.client.process.poll())
        self.assertEqual([w for w in self.client.windows() if w != box], [],
                         "the main window goes before the notice")
        xdotool("windowfocus", "--sync", box)
        xdotool("key", "Return")  # OK
        self.assertEqual(self.client.wait_exit(), 0)

    def test_a_service_on_this_machine_still_starts(self):
        self.service = Service({"/": HOME, "/ads/ksqd.html": ON})
        self.client = Client(env={"LUMORA_SERVICE_BASE": self.service.base},
                             config=CONFIG).start()
        self.client.window_of_size(984, 624)
        wait_for(lambda: "/" in self.service.requests, 90, what="the home page request")
        self.assertEqual(self.client.windows("提示"), [])


if __name__ == "__main__":
    unittest.main()
