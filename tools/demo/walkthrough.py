#!/usr/bin/env python3
"""Walks through the installer on a display without a user (Xvfb): installs (the agreement
box starts ticked), waits for the result and opens the installed program, taking a screenshot of each
screen. The loopback server (tools/testserver) must already serve the configuration and the
package; its address is in http_proxy.

usage: walkthrough.py <VelmoraInstaller.exe> <server url> <output folder>
"""
import os
import re
import subprocess
import sys
import time
import urllib.request
import xml.etree.ElementTree as ET

INSTALLER, SERVER, OUT = sys.argv[1:4]
HERE = os.path.dirname(os.path.abspath(__file__))
LAYOUT = os.path.join(HERE, "..", "..", "resources", "layouts", "main_en.xml")
TITLE_STRIP = 46  # the pages start below the window buttons


def centres():
    root = ET.parse(LAYOUT).getroot()
    pages = set()
    for el in root.iter():
        if el.get("name") == "switch":
            pages = {id(c) for c in el.iter()}
    found = {}
    for el in root.iter():
        name, pos = el.get("name"), el.get("pos")
        if name and pos:
            x, y = [int(v) for v in pos.split(",")[:2]]
            y += TITLE_STRIP if id(el) in pages else 0
            found[name] = (x + int(el.get("width", "0")) // 2, y + int(el.get("height", "0")) // 2)
    return found


def xdo(*args):
    return subprocess.run(["xdotool"] + [str(a) for a in args], capture_output=True,
                          text=True).stdout.split()


def steps():
    with urllib.request.urlopen(SERVER + "/_ctl/requests") as r:
        lines = r.read().decode().splitlines()
    return [m.group(1) for m in (re.search(r"&step=([^&]*)", l.split("\t")[3]) for l in lines
                                 if "\t/qzadmin/operate.php\t" in l) if m]


def wait_for(predicate, seconds, what):
    end = time.time() + seconds
    while time.time() < end:
        value = predicate()
        if value:
            return value
        time.sleep(0.3)
    sys.exit("walkthrough: gave up waiting for " + what)


def main_window():
    for w in xdo("search", "--onlyvisible", "--name", "^VelmoraInstaller$"):
        if "Geometry: 586x" in " ".join(xdo("getwindowgeometry", w)):
            return w
    return None


def shot(window, name):
    path = os.path.join(OUT, name)
    subprocess.run(["import", "-window", window, path], check=False)
    print("  screenshot:", path)


def click(window, point):
    xdo("mousemove", "--window", window, point[0], point[1])
    time.sleep(0.3)
    xdo("click", "1")
    time.sleep(0.5)


def main():
    os.makedirs(OUT, exist_ok=True)
    pos = centres()
    proc = subprocess.Popen(["wine", INSTALLER], stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    window = wait_for(main_window, 90, "the installer window")
    time.sleep(1.5)
    print("the installer window is open")
    shot(window, "1-start.png")
    click(window, pos["installbtn"])
    print("install clicked: the window waits in the notification area while it downloads")
    wait_for(lambda: "SetupDownloaded" in steps(), 300, "the download")
    print("package downloaded and verified; installing")
    wait_for(lambda: "SetupSuccess" in steps() or "SetupFailed" in steps(), 300, "the install")
    window = wait_for(main_window, 30, "the result page")
    time.sleep(2)
    shot(window, "2-result.png")
    print("reports received:", ", ".join(steps()))
    click(window, pos["endbtn"])
    code = proc.wait(timeout=60)
    print("the installer opened the installed program and ended with exit code", code)
    return 0 if "SetupSuccess" in steps() and code == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
