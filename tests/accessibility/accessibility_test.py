#!/usr/bin/env python3
"""The installer as a screen reader sees it: an MSAA client in its own process (msaa_client)
reads the client objects of the main window and of the message boxes in English and Chinese,
presses controls through accDoDefaultAction, records WinEvents out of context while a download
runs, and keeps a box's object after the box has closed.

usage: accessibility_test.py <VelmoraInstaller.exe> <msaa_client.exe> <marker.dll>
                             <setup package> <source root> <wine prefix root>"""
import os
import re
import subprocess
import sys
import tempfile
import threading
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "platform"))
from platform_run import HELPER as CLIENT, PACKAGE, PlatformTestCase  # noqa: E402
from installer_run import (  # noqa: E402
    PACKAGE_PATH, TITLE, TITLE_STRIP, installer_windows, wait_for)
from velmora_client import layout_controls  # noqa: E402

ROLE_CLIENT, ROLE_DIALOG, ROLE_TEXT_STATIC, ROLE_EDIT = 10, 18, 41, 42
ROLE_BUTTON, ROLE_CHECK, ROLE_LINK, ROLE_PROGRESS = 43, 44, 30, 48
UNAVAILABLE, FOCUSED, CHECKED, FOCUSABLE = 0x1, 0x4, 0x10, 0x100000
CPU_KEY = "HKLM\\HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0"
MAIN_EN = [("Minimize", ROLE_BUTTON), ("Close", ROLE_BUTTON),
           ("Destination Folder:", ROLE_TEXT_STATIC), ("Destination Folder", ROLE_EDIT),
           ("Browse…", ROLE_BUTTON), ("Accept the User Agreement", ROLE_CHECK),
           ("Accept the", ROLE_TEXT_STATIC), ("User Agreement", ROLE_LINK),
           ("Install", ROLE_BUTTON)]
MAIN_ZH = [("最小化", ROLE_BUTTON), ("关闭", ROLE_BUTTON), ("安装位置:", ROLE_TEXT_STATIC),
           ("安装位置", ROLE_EDIT), ("浏览…", ROLE_BUTTON), ("接受许可协议", ROLE_CHECK),
           ("接受", ROLE_TEXT_STATIC), ("许可协议", ROLE_LINK), ("安装", ROLE_BUTTON)]


def layout_rects(name, page_offset):
    """(x, y, width, height) in the client area of every control of a layout, by the name a
    screen reader reads for it (accname, else its text without markup)."""
    rects = {}
    for el, rect in layout_controls(name, page_offset):
        read = el.get("accname") or re.sub(r"\{[^}]*\}", "", el.get("text", "")).strip()
        rects.setdefault(read, []).append(rect)
    return rects


class Dump:
    """A parsed "msaa_client dump"."""

    def __init__(self, text):
        self.lines = text.splitlines()
        self.client = None
        self.children = []
        self.hits = []
        for line in self.lines:
            kind, _, rest = line.partition("\t")
            if kind == "origin":
                self.origin = tuple(int(v) for v in rest.split(","))
            elif kind in ("client", "child"):
                fields = dict(f.split("=", 1) for f in rest.split("\t"))
                item = {"id": int(fields["id"]), "role": int(fields["role"]),
                        "state": int(fields["state"], 16), "name": fields["name"],
                        "value": fields["value"], "action": fields["action"],
                        "loc": tuple(int(v) for v in fields["loc"].split(","))}
                if kind == "client":
                    self.client = item
                else:
                    self.children.append(item)
            elif kind in ("navigate", "hittest", "focus", "parent"):
                setattr(self, kind, rest)
            elif kind == "miss":
                self.hits.append(rest)

    def names(self):
        return [(c["name"], c["role"]) for c in self.children]

    def child(self, name):
        found = [c for c in self.children if c["name"] == name]
        if not found:
            raise AssertionError("no child %r in %r" % (name, self.names()))
        return found[0]

    def client_rect(self, child):
        x, y, w, h = child["loc"]
        return (x - self.origin[0], y - self.origin[1], w, h)


class AccessibilityTest(PlatformTestCase):
    PREFIX = "accessibility_e2e"

    def env(self, chinese):
        return dict(self.prefix.env, LC_ALL="zh_CN.UTF-8" if chinese else "en_US.UTF-8")

    def client(self, *args, chinese=False, timeout=90):
        """Runs msaa_client to its end; its output (UTF-8). Through a file: Wine's own
        processes would keep a pipe open."""
        with tempfile.TemporaryFile() as out:
            subprocess.run(["wine", CLIENT] + list(args), env=self.env(chinese), stdout=out,
                           stderr=subprocess.DEVNULL, timeout=timeout)
            out.seek(0)
            text = out.read().decode("utf-8")
        self.assertNotIn("error", text.split("\t")[0], text)
        return text

    def dump(self, window_class, chinese=False):
        text = self.client("dump", window_class, chinese=chinese)
        dump = Dump(text)
        self.assertIsNotNone(dump.client, text)
        # What a screen reader navigates with agrees with the list of children.
        self.assertEqual("same", dump.navigate, text)
        self.assertEqual("yes", dump.parent, text)
        for miss in dump.hits:
            # A point may only hit another child when that one is drawn over it.
            child_id, got = [int(v.split("=")[1]) for v in miss.split("\t")]
            ids = [c["id"] for c in dump.children]
            mine = dump.children[ids.index(child_id)]
            x, y, w, h = mine["loc"]
            over = [c for c in dump.children[ids.index(child_id) + 1:]
                    if c["loc"][0] <= x + w // 2 < c["loc"][0] + c["loc"][2]
                    and c["loc"][1] <= y + h // 2 < c["loc"][1] + c["loc"][3]]
            if w > 0 and h > 0:
                self.assertEqual(over[-1]["id"] if over else None, got, text)
        return dump

    def start_in(self, chinese, **kwargs):
        # The installer's language follows the locale its Wine process starts with.
        return self.start(env=self.env(chinese), **kwargs)

    def check_locations(self, dump, layout, page_offset=TITLE_STRIP):
        rects = layout_rects(layout, page_offset)
        for child in dump.children:
            if child["role"] == ROLE_TEXT_STATIC and dump.client["role"] == ROLE_DIALOG:
                continue  # the joined message: checked by its lines' union below
            self.assertIn(dump.client_rect(child), rects.get(child["name"], []),
                          "%s is not where the layout puts it" % child["name"])

    def check_start_page(self, chinese):
        run = self.start_in(chinese)
        run.main_window()
        dump = self.dump("UIMainFrame", chinese)
        self.assertEqual({"role": ROLE_CLIENT, "name": TITLE},
                         {k: dump.client[k] for k in ("role", "name")})
        self.assertEqual(MAIN_ZH if chinese else MAIN_EN, dump.names())
        self.check_locations(dump, "main_zh.xml" if chinese else "main_en.xml")
        accept = dump.child(MAIN_EN[5][0] if not chinese else MAIN_ZH[5][0])
        self.assertTrue(accept["state"] & CHECKED)
        self.assertTrue(accept["state"] & FOCUSABLE)
        self.assertEqual("Uncheck", accept["action"])
        folder = dump.child(MAIN_ZH[3][0] if chinese else MAIN_EN[3][0])
        self.assertRegex(folder["value"], r"^[A-Z]:\\.+")
        install = dump.child("安装" if chinese else "Install")
        self.assertEqual("Press", install["action"])
        self.assertFalse(install["state"] & UNAVAILABLE)
        link = dump.child("许可协议" if chinese else "User Agreement")
        self.assertEqual("Jump", link["action"])
        return run

    def test_start_page_in_english(self):
        self.check_start_page(False)

    def test_start_page_and_close_prompt_in_chinese(self):
        self.check_start_page(True)
        self.client("act", "UIMainFrame", "关闭", chinese=True)
        box = self.dump("UIMsgBox", True)
        self.assertEqual((ROLE_DIALOG, TITLE), (box.client["role"], box.client["name"]))
        self.assertEqual([("安装还未完成，确定取消么？", ROLE_TEXT_STATIC), ("关闭", ROLE_BUTTON),
                          ("继续安装", ROLE_BUTTON), ("取消安装", ROLE_BUTTON)], box.names())
        self.check_locations(box, "msgbox_zh.xml", 0)
        self.client("act", "UIMsgBox", "继续安装", chinese=True)
        wait_for(lambda: not installer_windows(300), 30, "the prompt to close")
        self.assertEqual(MAIN_ZH, self.dump("UIMainFrame", True).names())

    def test_configuration_box_then_close_prompt_kept_after_it_closed(self):
        self.server.serve(PACKAGE, config_ok=False)
        run = self.start()
        box = self.dump("UIMsgBox")
        self.assertEqual((ROLE_DIALOG, TITLE), (box.client["role"], box.client["name"]))
        self.assertEqual([("Request download url failed!", ROLE_TEXT_STATIC),
                          ("Close", ROLE_BUTTON), ("Retry", ROLE_BUTTON), ("Quit", ROLE_BUTTON)],
                         box.names())
        self.check_locations(box, "msgbox_en.xml", 0)
        text = box.children[0]
        self.assertEqual((62, 68, 220, 22), box.client_rect(text))
        self.server.serve(PACKAGE)
        self.client("act", "UIMsgBox", "Retry")
        run.main_window()
        # The close prompt, pressed through its object, which the client keeps afterwards.
        self.client("act", "UIMainFrame", "Close")
        prompt = self.dump("UIMsgBox")
        self.assertEqual([("The installation is in progress", ROLE_TEXT_STATIC),
                          ("Close", ROLE_BUTTON), ("Continue", ROLE_BUTTON),
                          ("Cancel", ROLE_BUTTON)], prompt.names())
        held = self.client("hold", "UIMsgBox", "Continue")
        self.assertIn("gone\t1", held)
        after = dict(re.findall(r"after\t(\w+)\thr=(0x[0-9a-f]+)", held))
        self.assertEqual({"childcount", "name", "action", "location"}, set(after))
        for call, hr in after.items():
            # Not connected, disconnected, or (Wine, once the stub is gone) unknown interface.
            self.assertIn(hr, ("0x80040108", "0x80010108", "0x800401fd", "0x800706b5"),
                          "%s after the box closed" % call)
        self.assertIn("released", held)
        # The installer lives on and still answers for its main window.
        self.assertIsNone(run.proc.poll())
        self.assertEqual(MAIN_EN, self.dump("UIMainFrame").names())

    def test_message_boxes_of_an_unusable_machine(self):
        self.reg("add", "HKCU\\Software\\Wine", "/v", "Version", "/d", "winxp")
        try:
            run = self.start()
            box = self.dump("UIMsgBox")
            self.assertEqual([("Can't get the perfect effect of Velmora under OS winXP,please "
                               "upgrade to Win7 or above", ROLE_TEXT_STATIC),
                              ("Close", ROLE_BUTTON), ("I see", ROLE_BUTTON)], box.names())
            self.client("act", "UIMsgBox", "I see")
            run.main_window()
            run.close()
            self.reg("add", "HKCU\\Software\\Wine", "/v", "Version", "/d", "win2k")
            run = self.start()
            box = self.dump("UIMsgBox")
            self.assertEqual([("Velmora is incompatible, We suggest you upgrade to Win7",
                               ROLE_TEXT_STATIC), ("Close", ROLE_BUTTON), ("Quit", ROLE_BUTTON)],
                             box.names())
            self.client("act", "UIMsgBox", "Quit")
            self.assertEqual(0, run.wait(timeout=60))
        finally:
            self.reg("delete", "HKCU\\Software\\Wine", "/v", "Version")
        self.reg("add", CPU_KEY, "/v", "ProcessorNameString", "/d",
                 "AMD Athlon(tm) II X4 640 Processor")
        for chinese in (False, True):
            run = self.start_in(chinese, supported_cpu=False)
            box = self.dump("UIMsgBox", chinese)
            # The name reads whole although the box wraps it after 30 characters.
            expected = ("很抱歉，Velmora暂时不支持 AMD Athlon(tm) II X4 640 Processor 型号CPU"
                        if chinese else "Sorry,Velmora can't support the AMD Athlon(tm) II X4 "
                        "640 Processor CPU temporarily.")
            quit_name = "退出下载" if chinese else "Quit"
            self.assertEqual([(expected, ROLE_TEXT_STATIC),
                              ("关闭" if chinese else "Close", ROLE_BUTTON),
                              (quit_name, ROLE_BUTTON)], box.names())
            self.client("act", "UIMsgBox", quit_name, chinese=chinese)
            self.assertEqual(0, run.wait(timeout=60))

    def reg(self, *args):
        self.prefix.wine("reg", *args, "/f")

    def test_install_by_default_actions_followed_by_events(self):
        size = os.path.getsize(PACKAGE)
        # About eight seconds of download: several progress steps to hear.
        self.server.control("fault?path=%s&rate=%d" % (PACKAGE_PATH, max(1, size // 8)))
        run = self.start()
        window = run.main_window()
        watch = Watcher(self)
        self.closers.append(watch)
        watch.expect(lambda e: e[0] == "watching", "the hook")
        # The agreement box, pressed twice: the install button follows it.
        self.client("act", "UIMainFrame", "Accept the User Agreement")
        unchecked = watch.expect(lambda e: e[0] == "state" and e[1] == "Accept the User Agreement"
                                 and not e[2] & CHECKED, "the box unchecked")
        self.assertTrue(self.dump("UIMainFrame").child("Install")["state"] & UNAVAILABLE)
        self.client("act", "UIMainFrame", "Accept the User Agreement")
        watch.expect(lambda e: e[0] == "state" and e[1] == "Accept the User Agreement"
                     and e[2] & CHECKED, "the box checked again")
        self.assertIsNotNone(unchecked)
        # The keyboard moves the focus: the folder field, then the agreement box.
        subprocess.run(["xdotool", "windowactivate", "--sync", str(window)],
                       stderr=subprocess.DEVNULL)
        subprocess.run(["xdotool", "key", "--window", str(window), "Tab"])
        watch.expect(lambda e: e[0] == "focus" and e[1] == "Destination Folder",
                     "the focus on the folder field")
        # The object the event names reads as focused (unless the focus moved on meanwhile).
        watch.expect(lambda e: e[0] == "focus" and e[2] & FOCUSED, "a focused control")
        # Install starts the install as a click does.
        self.client("act", "UIMainFrame", "Install")
        wait_for(lambda: self.server.count("HEAD", PACKAGE_PATH), 60, "the download")
        watch.expect(lambda e: e[0] == "reorder", "the page change")
        progress = self.dump("UIMainFrame")
        bar = [c for c in progress.children if c["role"] == ROLE_PROGRESS]
        self.assertEqual(1, len(bar), progress.lines)
        self.assertRegex(bar[0]["value"], r"^\d+%$")
        self.assertEqual("Installation progress", bar[0]["name"])
        self.assertEqual((28, 320 + TITLE_STRIP, 534, 20), progress.client_rect(bar[0]))
        self.assertNotIn("Install", [c["name"] for c in progress.children])
        # The result is read out when the window comes back.
        alert = watch.expect(lambda e: e[0] == "alert", "the result announced", timeout=180)
        self.assertEqual("Installation successful!", alert[1])
        # Every focus event is about something a screen reader can read.
        for e in watch.events:
            if e[0] == "focus":
                self.assertTrue(e[1], e)
        values = [e for e in watch.events if e[0] == "value" and e[4] == bar[0]["id"]]
        self.assertGreaterEqual(len(values), 3, watch.events)
        # The bar only grows; a value still held back when the page went away is not told.
        percents = [int(e[3].rstrip("%")) for e in values]
        self.assertEqual(sorted(percents), percents)
        self.assertGreater(percents[-1], percents[0])
        # At most about once a second per control, so speech is not flooded.
        for named in ("value", "name"):
            by_id = {}
            for e in watch.events:
                if e[0] == named:
                    by_id.setdefault(e[4], []).append(e[5])
            for times in by_id.values():
                gaps = [b - a for a, b in zip(times, times[1:])]
                self.assertTrue(all(g >= 900 for g in gaps), (named, times))
        counts = {}
        for e in watch.events[1:]:
            counts[e[0]] = counts.get(e[0], 0) + 1
        print("\nevents of the install: %r; progress-bar values %r; page children %r"
              % (counts, percents, progress.names()), file=sys.stderr)
        result = self.dump("UIMainFrame")
        self.assertEqual([("Minimize", ROLE_BUTTON), ("Close", ROLE_BUTTON),
                          ("Installation successful!", ROLE_TEXT_STATIC), ("Open", ROLE_BUTTON)],
                         result.names())
        self.check_locations(result, "main_en.xml")
        # After the install the close prompt is the confirm box; Cancel keeps the installer.
        self.client("act", "UIMainFrame", "Close")
        confirm = self.dump("UIMsgBox")
        self.assertEqual([("Are you sure you want to exit?", ROLE_TEXT_STATIC),
                          ("Close", ROLE_BUTTON), ("OK", ROLE_BUTTON), ("Cancel", ROLE_BUTTON)],
                         confirm.names())
        self.client("act", "UIMsgBox", "Cancel")
        # Open ends the installer as a click does.
        self.client("act", "UIMainFrame", "Open")
        self.assertEqual(0, run.wait(timeout=60))


class Watcher:
    """msaa_client watch on the main window: its events as (kind, name, state, value, id,
    time) tuples, collected as they come."""

    def __init__(self, test):
        self.out = tempfile.NamedTemporaryFile(delete=False)
        self.proc = subprocess.Popen(["wine", CLIENT, "watch", "UIMainFrame", "600"],
                                     env=test.env(False), stdout=self.out,
                                     stderr=subprocess.DEVNULL)

    @property
    def events(self):
        """The events that came out of context, or, where the system delivers none across
        processes (Wine), those forwarded by the in-context hook."""
        with open(self.out.name, "rb") as f:
            lines = f.read().decode("utf-8", "replace").splitlines()
        events = {"out": [], "in": []}
        watching = []
        for line in lines:
            parts = line.split("\t")
            if parts[0] == "watching":
                watching = [("watching",)]
            elif parts[0] == "event" and len(parts) >= 8:
                fields = dict(p.split("=", 1) for p in parts[2:])
                events[fields["via"]].append(
                    (parts[1], fields["name"], int(fields["state"], 16), fields["value"],
                     int(fields["id"]), int(fields["time"])))
        return watching + (events["out"] or events["in"])

    def expect(self, predicate, what, timeout=60):
        found = wait_for(lambda: [e for e in self.events if predicate(e)], timeout,
                         "%s (events: %r)" % (what, self.events[-20:]))
        return found[0]

    def close(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        os.unlink(self.out.name)


if __name__ == "__main__":
    unittest.main(verbosity=2)
