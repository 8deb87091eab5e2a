#!/usr/bin/env python3
"""Checks the installer's resource data and the compiled resource object.

The layouts, images and icons are plain files in resources/; velmora.rc binds
them to resource ids. These checks catch a missing or mis-sized image, a
layout that would not parse, a layout referring to an image that is not
there, the Chinese and English layouts drifting apart, and a resource that
did not make it into the object with its type, id and language.
"""
import argparse
import re
import struct
import subprocess
import sys
import unittest
import xml.etree.ElementTree as ET
from pathlib import Path

ARGS = None

LANG_ZH = (4, 2)    # LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED = 2052
LANG_EN = (9, 1)    # LANG_ENGLISH, SUBLANG_ENGLISH_US = 1033

BACKGROUND = (586, 431)
IMAGES = {
    **{i: BACKGROUND for i in (130, 131, 132, 168, 169, 170, 171, 172, 173, 174)},
    **{i: (31, 32) for i in (133, 134, 135, 139, 140, 141)},
    **{i: (139, 39) for i in (136, 137, 138)},
    **{i: (27, 22) for i in (142, 143, 144)},
    **{i: (183, 51) for i in (145, 146, 147)},
    148: (13, 13), 149: (13, 13),
    150: (232, 22), 151: (534, 20), 152: (6, 6), 153: (534, 20),
    157: (300, 180),
    **{i: (76, 34) for i in (158, 159, 160)},
    161: (99, 28),
    **{i: (14, 14) for i in (162, 163, 164)},
    165: (32, 32),
}
# id: (file, byte order mark expected)
LAYOUTS = {129: ("main_en.xml", False), 154: ("main_zh.xml", False),
           156: ("msgbox_zh.xml", True), 167: ("msgbox_en.xml", True)}
# Images the program sets from code: the background rotation and the stage-1 bar.
CODE_IMAGES = {130, 131, 132, 168, 169, 170, 171, 172, 173, 174, 153}
# Controls the main window and the message box look up by name.
MAIN_NAMES = {"minbtn", "closebtn", "installbtn", "pausebtn", "endbtn", "browse", "dtedit",
              "progress", "bklayout", "switch", "accept", "useragreement", "manualdownload",
              "quicklaunch", "downladspeed", "progressread", "status", "finishtext", "downtip"}
BOX_NAMES = {"closebtn", "msg11", "msg12", "msg13", "msg21", "msg22", "msg23", "msg31", "msg41",
             "msg51", "msg61", "msg62", "btnDetail", "btnRetry", "btnQuitCenter", "btnQuit",
             "btnContinueSetup", "btnCancelSetup", "btnOK", "btnCancel", "btnISee"}


def source():
    return Path(ARGS.source)


def rc_entries():
    """(id, type) -> file name, from velmora.rc with the ids of resource.h."""
    defines = dict(re.findall(r"#define (\w+) (\d+)", (source() / "resource.h").read_text()))
    entries = {}
    for name, kind, path in re.findall(r'^(\w+)\s+(\w+)\s+"([^"]+)"', (source() / "velmora.rc").read_text(), re.M):
        entries[(int(defines.get(name, name)), kind)] = path
    return entries


def png_size(data):
    if data[:8] != b"\x89PNG\r\n\x1a\n" or data[12:16] != b"IHDR":
        return None
    return struct.unpack(">II", data[16:24])


def layout_doc(layout_id):
    name, _ = LAYOUTS[layout_id]
    raw = (source() / "layouts" / name).read_bytes()
    return raw, ET.fromstring(raw.decode("utf-8-sig"))


def controls(root):
    """(tag, name) of every control element in document order."""
    return [(e.tag, e.get("name", "")) for e in root.iter() if e.tag not in ("Window", "Font")]


class ImageTests(unittest.TestCase):
    def test_every_image_of_the_table_is_a_png_of_its_size(self):
        entries = rc_entries()
        for image_id, size in IMAGES.items():
            with self.subTest(image=image_id):
                path = entries.get((image_id, "PNG"))
                self.assertIsNotNone(path, "no PNG resource %d in velmora.rc" % image_id)
                data = (source() / path).read_bytes()
                self.assertEqual(png_size(data), size)
                self.assertLessEqual(data[24], 8, "no 16-bit samples: they only add bytes")
        self.assertEqual(sorted(i for i, k in entries if k == "PNG"), sorted(IMAGES))

    def test_the_200_percent_set_is_twice_the_size_of_the_100_percent_set(self):
        entries = rc_entries()
        doubled = {i: path for (i, kind), path in entries.items() if kind == "PNG200"}
        self.assertGreater(len(doubled), 0)
        for image_id, path in doubled.items():
            with self.subTest(image=image_id):
                self.assertIn(image_id, IMAGES)
                width, height = IMAGES[image_id]
                data = (source() / path).read_bytes()
                self.assertEqual(png_size(data), (2 * width, 2 * height))
                self.assertLessEqual(data[24], 8, "no 16-bit samples: they only add bytes")

    def test_icons_hold_an_image_for_every_scale(self):
        entries = rc_entries()
        for icon_id in (107, 108):
            with self.subTest(icon=icon_id):
                data = (source() / entries[(icon_id, "ICON")]).read_bytes()
                reserved, kind, count = struct.unpack("<HHH", data[:6])
                self.assertEqual((reserved, kind), (0, 1))
                sizes = {data[6 + 16 * i] or 256 for i in range(count)}
                self.assertLessEqual({16, 20, 24, 32, 40, 48, 64, 256}, sizes)

    def test_manifest_asks_for_administrator_dpi_awareness_systems_and_common_controls(self):
        root = ET.parse(source() / rc_entries()[(1, "RT_MANIFEST")]).getroot()
        def named(tag):
            return [e for e in root.iter() if e.tag.split("}")[-1] == tag]
        levels = named("requestedExecutionLevel")
        self.assertEqual(len(levels), 1)
        self.assertEqual(levels[0].attrib, {"level": "requireAdministrator", "uiAccess": "false"})
        self.assertEqual([e.text for e in named("dpiAware")], ["true/pm"])
        self.assertEqual([e.text for e in named("dpiAwareness")], ["PerMonitorV2, PerMonitor"])
        # Vista, 7, 8, 8.1 and 10/11: without them Windows 8.1 and later show version 6.2.
        self.assertEqual({e.attrib["Id"] for e in named("supportedOS")}, {
            "{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
            "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
            "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"})
        identities = named("assemblyIdentity")
        self.assertEqual(len(identities), 1)
        self.assertEqual(identities[0].attrib["name"], "Microsoft.Windows.Common-Controls")
        self.assertEqual(identities[0].attrib["version"], "6.0.0.0")
        self.assertEqual(identities[0].attrib["processorArchitecture"], "x86")
        self.assertEqual(identities[0].attrib["publicKeyToken"], "6595b64144ccf1df")


class LayoutTests(unittest.TestCase):
    def test_layouts_are_utf8_xml_with_the_right_byte_order_mark(self):
        entries = rc_entries()
        for layout_id, (name, bom) in LAYOUTS.items():
            with self.subTest(layout=layout_id):
                self.assertEqual(entries[(layout_id, "XML")], "layouts/" + name)
                raw, root = layout_doc(layout_id)
                self.assertEqual(raw.startswith(b"\xef\xbb\xbf"), bom)
                self.assertEqual(root.tag, "Window")
                # The layout parser knows no numeric references and single-quoted attributes.
                self.assertNotIn(b"&#", raw)
                outside_values = re.sub(rb'"[^"]*"', b'""', raw)
                self.assertIsNone(re.search(rb"=\s*'", outside_values))

    def test_images_named_by_layouts_and_code_exist(self):
        png_ids = {i for i, k in rc_entries() if k == "PNG"}
        referenced = set(CODE_IMAGES)
        for layout_id in LAYOUTS:
            raw, _ = layout_doc(layout_id)
            found = {int(i) for i in re.findall(rb"res='(\d+)' restype='png'", raw)}
            self.assertTrue(found)
            referenced |= found
        self.assertLessEqual(referenced, png_ids)

    def test_windows_and_fonts(self):
        expected = {129: ("586,431", "0,0,0,431", "0,1", ["20", "12"]),
                    154: ("586,431", "0,0,0,431", "0,1", ["20", "12"]),
                    156: ("300,180", "0,0,0,180", "4,4", ["14"]),
                    167: ("300,180", "0,0,0,180", "4,4", ["13"])}
        for layout_id, (size, caption, corner, fonts) in expected.items():
            with self.subTest(layout=layout_id):
                _, root = layout_doc(layout_id)
                self.assertEqual((root.get("size"), root.get("caption"), root.get("roundcorner")),
                                 (size, caption, corner))
                font_elems = root.findall("Font")
                self.assertEqual([f.get("size") for f in font_elems], fonts)
                self.assertTrue(all(f.get("name") == "微软雅黑" for f in font_elems))

    def test_both_languages_have_the_same_controls(self):
        for a, b, names in ((129, 154, MAIN_NAMES), (167, 156, BOX_NAMES)):
            with self.subTest(pair=(a, b)):
                ca, cb = controls(layout_doc(a)[1]), controls(layout_doc(b)[1])
                self.assertEqual(ca, cb)
                self.assertLessEqual(names, {n for _, n in ca})
                named = [n for _, n in ca if n]
                self.assertEqual(len(named), len(set(named)), "names are unique")

    def test_controls_without_words_have_a_name_for_screen_readers(self):
        # A screen reader would read nothing but "button" for these.
        for layout_id in LAYOUTS:
            root = layout_doc(layout_id)[1]
            with self.subTest(layout=layout_id):
                for e in root.iter():
                    wordless = not re.sub(r"\{[^}]*\}", "", e.get("text", "")).strip()
                    acts = e.tag in ("Button", "CheckBox", "Edit", "Progress")
                    if acts and wordless and e.get("visible") != "false" \
                            and e.get("name") != "quicklaunch":
                        self.assertTrue(e.get("accname", "").strip(), e.get("name"))

    def test_main_layouts_differ_only_in_language_dependent_attributes(self):
        allowed = {"text", "accname", "pos", "width", "bkimage", "foreimage"}
        ea = [e for e in layout_doc(129)[1].iter()]
        eb = [e for e in layout_doc(154)[1].iter()]
        differing = []
        for x, y in zip(ea, eb):
            self.assertEqual(set(x.attrib), set(y.attrib), x.get("name"))
            differing += [(x.get("name"), k) for k in x.attrib if x.get(k) != y.get(k)]
        self.assertLessEqual({k for _, k in differing}, allowed)
        # dtedit, browse, useragreement and manualdownload move; downtip,
        # manualdownload, finishtext, spacefolder and manuallink change width.
        self.assertEqual(sum(k == "pos" for _, k in differing), 4)
        self.assertEqual(sum(k == "width" for _, k in differing), 5)

    @staticmethod
    def keyboard_roles(root):
        """What the keyboard does with each button: a tab stop, the default (Enter) or cancel
        (Esc) button, or a window button left out of the tab order as Windows' caption
        buttons are."""
        roles = {}
        for e in root.iter("Button"):
            stop = e.get("keyboard") != "false"
            role = ("default" if e.get("default") == "true" else
                    "cancel" if e.get("cancel") == "true" else "tab" if stop else "window")
            if role == "cancel":
                assert not stop, "the close button is reached by Esc, not by Tab"
            roles[e.get("name")] = role
        return roles

    def test_control_details_the_code_relies_on(self):
        for layout_id in (129, 154):
            _, root = layout_doc(layout_id)
            by_name = {e.get("name"): e for e in root.iter() if e.get("name")}
            with self.subTest(layout=layout_id):
                self.assertIsNone(by_name.get("createdesktop"))
                self.assertEqual(len(by_name["switch"].findall("VerticalLayout")), 3)
                self.assertEqual(self.keyboard_roles(root),
                                 {"minbtn": "window", "closebtn": "cancel", "installbtn": "default",
                                  "endbtn": "default", "browse": "tab", "useragreement": "tab",
                                  "manualdownload": "tab", "pausebtn": "tab", "spaceretry": "tab",
                                  "spacefolder": "tab", "manuallink": "tab"})
        for layout_id in (167, 156):
            with self.subTest(layout=layout_id):
                roles = self.keyboard_roles(layout_doc(layout_id)[1])
                self.assertEqual(roles.pop("closebtn"), "cancel")
                # The button that closes each kind with its positive or only answer.
                self.assertEqual({n for n, r in roles.items() if r == "default"},
                                 {"btnISee", "btnQuitCenter", "btnRetry", "btnContinueSetup",
                                  "btnOK"})
                self.assertEqual({r for r in roles.values()}, {"default", "tab"})
        box_en = {e.get("name"): e for e in layout_doc(167)[1].iter() if e.get("name")}
        box_zh = {e.get("name"): e for e in layout_doc(156)[1].iter() if e.get("name")}
        # The processor name is put in front of these texts, so they open with a blank.
        self.assertEqual(box_zh["msg13"].get("text"), " 型号CPU")
        self.assertEqual(box_en["msg13"].get("text"), " CPU temporarily.")
        self.assertEqual(box_zh["msg31"].get("text"), " " * 8 + "获取下载地址失败!")
        self.assertEqual(box_zh["msg23"].get("text"), "")


class BuiltObjectTests(unittest.TestCase):
    def test_object_holds_every_resource_with_its_type_id_and_language(self):
        out = subprocess.run([ARGS.windres, "-J", "coff", "-O", "rc", "-i", ARGS.object],
                             check=True, capture_output=True, text=True).stdout
        found, lang = set(), None
        for line in out.splitlines():
            m = re.match(r"LANGUAGE (\d+), (\d+)", line)
            if m:
                lang = (int(m.group(1)), int(m.group(2)))
                continue
            m = re.match(r'(\d+) (?:"(\w+)"|(\d+))', line)
            if m:
                found.add((int(m.group(1)), m.group(2) or int(m.group(3)), lang))
        expected = {(i, "PNG", LANG_ZH) for i in IMAGES}
        expected |= {(i, "XML", LANG_ZH) for i in LAYOUTS}
        expected |= {(107, 14, LANG_ZH), (108, 14, LANG_ZH), (1, 24, LANG_EN)}
        self.assertLessEqual(expected, found)
        self.assertEqual({x for x in found if x[1] in ("PNG", "XML", 14, 24)}, expected)


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--source", required=True)
    parser.add_argument("--object", required=True)
    parser.add_argument("--windres", required=True)
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0], "-v"] + rest)
