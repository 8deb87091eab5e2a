#!/usr/bin/env python3
"""Walks through the installer on a display without a user (Xvfb): installs (the agreement
box starts ticked), waits for the result and opens the installed program, taking a screenshot of each
screen. The loopback server (tools/testserver) must already serve the configuration and the
package; its address is in http_proxy.

usage: walkthrough.py <VelmoraInstaller.exe> <server url> <output folder>
"""
import os
import subprocess
import sys
import time

INSTALLER, SERVER, OUT = sys.argv[1:4]
HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "testserver"))
from velmora_client import Server, layout_centres, xdo  # noqa: E402

TITLE_STRIP = 46  # the pages start below the window buttons


def steps():
    return [step for _, step in Server(SERVER).steps()]


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
    pos = layout_centres("main_en.xml", TITLE_STRIP)
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
