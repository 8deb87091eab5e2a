#!/usr/bin/env python3
"""Runs the proxy authentication tests (a Windows test program) under Wine against real squid
proxies on loopback ports: one asking for Basic (several ports, so that each test meets a proxy
of its own), one offering NTLM through squid's fake helper. Afterwards the test's Wine prefix,
its working folder and the test server's request log are searched for the password.

    proxy_auth_run.py <test program> [gtest arguments]
Environment: VELMORA_PREFIX_ROOT and VELMORA_TEST_NAME as for scripts/wine-test-run.sh."""
import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(SOURCE, "tests", "support"))
sys.path.insert(0, os.path.join(SOURCE, "tools", "testserver"))
import velmora_client  # noqa: E402
from squid_proxy import SquidProxy  # noqa: E402

USER = "ann.proxy"
PASSWORD = "Pw-7f3kQz9"  # searched for afterwards: nothing may keep it


def files_holding(folder, needle):
    found = []
    for base, _, names in os.walk(folder):
        for name in names:
            path = os.path.join(base, name)
            if os.path.islink(path) or not os.path.isfile(path):
                continue
            try:
                with open(path, "rb") as f:
                    data = f.read()
            except OSError:
                continue
            if needle.encode() in data or needle.encode("utf-16-le") in data:
                found.append(path)
    return found


def main():
    program = sys.argv[1]
    server = velmora_client.Server()
    basic = ntlm = None
    try:
        basic = SquidProxy(server.url, ("basic",), {USER: PASSWORD}, ports=10)
        ntlm = SquidProxy(server.url, ("ntlm",), ports=3)
        env = dict(os.environ, VELMORA_TEST_SERVER=server.url,
                   VELMORA_SQUID_BASIC=",".join(basic.urls),
                   VELMORA_SQUID_NTLM=",".join(ntlm.urls),
                   VELMORA_SQUID_USER=USER, VELMORA_SQUID_PASSWORD=PASSWORD)
        env.pop("VELMORA_NEEDS_SERVER", None)
        status = subprocess.call([os.path.join(SOURCE, "scripts", "wine-test-run.sh"), program]
                                 + sys.argv[2:], env=env)
        requests = server.control("requests")
    finally:
        for proxy in (basic, ntlm):
            if proxy:
                proxy.stop()
        server.stop()
    prefix = subprocess.check_output(
        [os.path.join(SOURCE, "scripts", "wine-prefix.sh"), os.environ["VELMORA_PREFIX_ROOT"],
         os.environ["VELMORA_TEST_NAME"]], text=True).strip()
    leaks = files_holding(prefix, PASSWORD) + files_holding(os.getcwd(), PASSWORD)
    if PASSWORD in requests:
        leaks.append("the test server's request log")
    if leaks:
        print("the password was found in: " + ", ".join(leaks))
        return 1
    print("the password is in no file of the prefix, the working folder or the requests")
    return status


if __name__ == "__main__":
    sys.exit(main())
