#!/usr/bin/env python3
"""The real installer under Wine behind a real squid that asks who the client is (Basic, from a
password file made here) and forwards to the loopback server, which plays every host: a silent
run without credentials ends with its own code having fetched nothing; a window's run asks once
in the Windows credential prompt (filled in with xdotool), remembers, and later runs, the window's
and silent ones, use the saved credentials without asking. Afterwards the logs, every file of the
prefix and the requests the server received are searched for the password.

usage: proxy_auth_e2e.py <VelmoraInstaller.exe> <session_helper.exe> <ok package>
                         <failing package> <source root> <wine prefix root>
"""
import os
import sys
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "support"))
from silent_run import CommandLineTestCase, PKG_OK, wait_for  # noqa: E402
import silent_run as codes  # noqa: E402
from installer_run import MAIN_WIDTH, picture, xdo  # noqa: E402
from squid_proxy import SquidProxy, files_holding  # noqa: E402

# Typed into Wine's prompt with xdotool: unshifted keys only.
USER = "ann.proxy"
PASSWORD = "pw-7f3kqz9x"
PROMPT_TITLE = "VelmoraInstaller - proxy server"



class ProxyAuthE2E(CommandLineTestCase):
    PREFIX = "proxy_auth_e2e"
    DISPLAY = True

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        # A port for each test: saved credentials belong to one proxy (host and port).
        cls.squid = SquidProxy(cls.server.url, ("basic",), {USER: PASSWORD}, ports=3)
        cls.addClassCleanup(cls.squid.stop)

    def through(self, index):
        return {"http_proxy": self.squid.urls[index]}

    def prompts(self):
        return xdo("search", "--onlyvisible", "--name", PROMPT_TITLE)

    def main_window(self, run):
        try:
            return run.main_window(timeout=120)
        except AssertionError:
            print(self.prefix.log_text(missing=""))
            raise

    def assert_password_nowhere(self):
        self.assertEqual([], files_holding(self.prefix.path, PASSWORD))
        self.assertNotIn(PASSWORD, self.server.control("requests"))

    def test_silent_run_without_credentials_ends_with_its_code_and_fetches_nothing(self):
        self.server.serve(PKG_OK)
        self.server.control("clear_requests")
        run = self.start("/S", env=self.through(0))
        self.assertEqual(codes.PROXY_AUTH_REQUIRED, run.wait())
        self.assertLess(run.seconds, 60)  # at once, not after the configuration's time limit
        log = self.silent_log()
        port = str(self.squid.ports[0])
        self.assertIn("proxy 127.0.0.1:%s requires authentication (HTTP 407), offering Basic"
                      % port, log)
        self.assertIn("exit code 13: proxy authentication required", log)
        self.assertEqual(1, log.count("request config from"))
        self.assertNotIn("configuration unreachable", log)
        self.assert_nothing_fetched()
        self.assertEqual([], self.prompts())

    def test_silent_run_refused_at_the_package_host_ends_with_its_code(self):
        # The configuration comes through the test server (http_proxy), the package's https
        # address through the squid (https_proxy), whose 407 answers the CONNECT.
        self.server.serve(PKG_OK, host="https://dl.velmora.example")
        self.server.control("clear_requests")
        run = self.start("/S", env={"https_proxy": self.squid.urls[0]})
        self.assertEqual(codes.PROXY_AUTH_REQUIRED, run.wait())
        self.assertLess(run.seconds, 60)
        log = self.silent_log()
        self.assertIn("proxy 127.0.0.1:%d requires authentication (HTTP 407), offering Basic"
                      % self.squid.ports[0], log)
        self.assertIn("exit code 13: proxy authentication required", log)
        self.assertEqual(1, self.server.config_requests())
        self.assertEqual([], [r for r in self.server.requests() if r[0] == "CONNECT"])
        self.assertEqual([], self.prompts())

    def test_window_asks_once_remembers_and_later_runs_use_the_saved_credentials(self):
        self.server.serve(PKG_OK)
        first = self.start(env=self.through(1))
        prompt = wait_for(self.prompts, 120, "the credential prompt")[-1]
        picture(prompt, "proxy_prompt_empty.png")
        xdo("windowactivate", "--sync", prompt)
        # The user name field has the focus; then the password and the "remember" box.
        xdo("type", "--delay", "40", USER)
        xdo("key", "Tab")
        xdo("type", "--delay", "40", PASSWORD)
        xdo("key", "Tab", "space")
        time.sleep(0.5)
        picture(prompt, "proxy_prompt_filled.png")
        xdo("key", "Return")
        self.main_window(first)
        log = self.prefix.log_text()
        self.assertEqual(1, log.count("asking for the credentials of proxy"))
        wait_for(lambda: "saved in the Credential Manager" in self.prefix.log_text(), 30,
                 "the credentials to be saved")
        self.assertEqual([], self.prompts())
        first.close()
        self.assertGreaterEqual(self.server.config_requests(), 1)

        # A second window: no prompt, the saved credentials.
        self.prefix.remove_log()
        second = self.start(env=self.through(1))
        self.main_window(second)
        self.assertEqual([], self.prompts())
        log = self.prefix.log_text()
        self.assertIn("using the credentials saved for proxy 127.0.0.1:%d" % self.squid.ports[1],
                      log)
        self.assertNotIn("asking for the credentials", log)
        second.close()

        # A silent run installs with them.
        self.prefix.remove_log()
        silent = self.start("/S", env=self.through(1))
        self.assertEqual(codes.INSTALLED, silent.wait())
        self.assertIn("using the credentials saved for proxy", self.silent_log())
        self.assertEqual(1, self.server.count("GET", "/pkg/Setup.exe"))
        self.assert_password_nowhere()

    def test_cancel_fails_the_configuration_request_as_without_a_prompt(self):
        self.server.serve(PKG_OK)
        self.server.control("clear_requests")
        run = self.start(env=self.through(2))
        prompt = wait_for(self.prompts, 120, "the credential prompt")[-1]
        xdo("windowactivate", "--sync", prompt)
        xdo("key", "Escape")
        # The configuration's retry prompt, as for an address that failed.
        run.message_box(timeout=60)
        log = self.prefix.log_text()
        self.assertIn("the credential prompt for proxy 127.0.0.1:%d was cancelled"
                      % self.squid.ports[2], log)
        self.assertEqual([], self.prompts())
        self.assert_nothing_fetched()
        self.assertEqual([], [w for w in run.windows(MAIN_WIDTH) if w])


if __name__ == "__main__":
    unittest.main(verbosity=2)
