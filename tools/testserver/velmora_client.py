"""Helpers for host-side scripts that drive the installer's windows against the loopback test
server: start the server and read its request log, and find control centres in a layout."""
import os
import re
import subprocess
import sys
import tempfile
import time
import urllib.request
import xml.etree.ElementTree as ET

HERE = os.path.dirname(os.path.abspath(__file__))
LAYOUTS = os.path.join(HERE, "..", "..", "resources", "layouts")


class Server:
    """The test server, started on a free loopback port (or one already running at url)."""

    def __init__(self, url=None, lifetime=900, options=()):
        self.proc = None
        if url:
            self.url = url
            return
        portfile = tempfile.mktemp()
        self.proc = subprocess.Popen(
            [sys.executable, os.path.join(HERE, "velmora_test_server.py"), "--port-file",
             portfile, "--lifetime", str(lifetime)] + list(options))
        for _ in range(200):
            if os.path.exists(portfile) and os.path.getsize(portfile):
                break
            time.sleep(0.05)
        with open(portfile) as f:
            self.url = "http://127.0.0.1:%s" % f.read().strip()
        os.unlink(portfile)

    def stop(self):
        if self.proc:
            self.proc.kill()

    def control(self, command, body=None):
        with urllib.request.urlopen(self.url + "/_ctl/" + command, data=body) as r:
            return r.read().decode()

    def requests(self):
        """Each request as [method, host, path, query, range, cookie, bytes]."""
        return [line.split("\t") for line in self.control("requests").splitlines()]

    def steps(self):
        """(host, step) of every step report received, in order."""
        found = []
        for method, host, path, query in (r[:4] for r in self.requests()):
            if path == "/qzadmin/operate.php":
                m = re.search(r"&step=([^&]*)", query)
                found.append((host, m.group(1) if m else None))
        return found

    def count(self, method, path):
        return sum(1 for r in self.requests() if r[0] == method and r[2] == path)


def layout_controls(name, page_offset=0):
    """(element, (x, y, width, height)) in the client area of every placed control of a layout
    file; controls on the pages of the tab layout "switch" are moved down by page_offset (the
    pages start below the title strip)."""
    root = ET.parse(os.path.join(LAYOUTS, name)).getroot()
    on_pages = set()
    for el in root.iter():
        if el.get("name") == "switch":
            on_pages = {id(c) for c in el.iter()}
    found = []
    for el in root.iter():
        pos = el.get("pos")
        if pos:
            x, y = [int(v) for v in pos.split(",")[:2]]
            if id(el) in on_pages:
                y += page_offset
            found.append((el, (x, y, int(el.get("width", "0")), int(el.get("height", "0")))))
    return found


def layout_centres(name, page_offset=0):
    """Client-area centres of the named controls of a layout file (see layout_controls)."""
    return {el.get("name"): (x + w // 2, y + h // 2)
            for el, (x, y, w, h) in layout_controls(name, page_offset) if el.get("name")}


def xdo(*args):
    """Runs xdotool; its output split into words."""
    return subprocess.run(["xdotool"] + [str(a) for a in args], capture_output=True,
                          text=True).stdout.split()


# Title of every window of the installer (main window and message boxes).
INSTALLER_TITLE = "VelmoraInstaller"


def wait_for(predicate, timeout, what, interval=0.2):
    """Polls predicate until it gives a true value, which it returns; fails after timeout s."""
    deadline = time.time() + timeout
    while time.time() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(interval)
    raise AssertionError("timed out waiting for " + what)


def installer_windows(width, title=INSTALLER_TITLE):
    """Visible windows of the installer with the given width (586 main, 300 box)."""
    found = []
    for w in xdo("search", "--onlyvisible", "--name", "^%s$" % title):
        if "Geometry: %dx" % width in " ".join(xdo("getwindowgeometry", w)):
            found.append(w)
    return found


def click_at(window, point, settle=0.3):
    """A left click at client coordinates of a window, with time for Wine to deliver it."""
    xdo("mousemove", "--window", window, point[0], point[1])
    time.sleep(settle)
    xdo("click", "1")
    time.sleep(settle)
