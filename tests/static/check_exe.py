#!/usr/bin/env python3
"""Static checks of a built orvenda.exe: file format, subsystem, the exact
resources (dialog and menu templates byte by byte, icon), and the imports.

Usage: check_exe.py PATH/orvenda.exe i386|x86-64
The PE file is read with the standard library only.
"""
import struct
import sys
import unittest

EXE_PATH = None
ARCH = None

MACHINES = {"i386": (0x014C, 0x10B), "x86-64": (0x8664, 0x20B)}

RT_ICON, RT_BITMAP, RT_MENU, RT_DIALOG, RT_GROUP_ICON = 3, 2, 4, 5, 14
LANG_EN_US = 1033

# Every resource the program has, as (type, id): nothing more, nothing less.
EXPECTED_RESOURCES = {
    (RT_DIALOG, 101),
    (RT_MENU, 105),
    (RT_GROUP_ICON, 104),
    (RT_ICON, 1),
    (RT_BITMAP, 103),
    (RT_BITMAP, 108),
}

PLATFORM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "msvcrt.dll"}
CALLED_FUNCTIONS = {
    "user32.dll": {"DialogBoxParamA", "EndDialog", "MessageBoxA", "SendDlgItemMessageA", "LoadBitmapA"},
    "gdi32.dll": {"CreatePatternBrush", "DeleteObject", "SetTextColor", "SetBkMode"},
    "comctl32.dll": {"InitCommonControls"},
}

# The standard 16-colour palette of a 4-bit icon, as (red, green, blue).
STANDARD_16_COLOURS = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]


class PeFile:
    """The parts of a PE image that the checks read."""

    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("no MZ header")
        self.pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[self.pe:self.pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        (self.machine, sections, _, _, _, optional_size, self.characteristics) = struct.unpack_from(
            "<HHIIIHH", data, self.pe + 4)
        self.optional = self.pe + 24
        self.magic = struct.unpack_from("<H", data, self.optional)[0]
        self.subsystem = struct.unpack_from("<H", data, self.optional + 68)[0]
        directories = self.optional + (96 if self.magic == 0x10B else 112)
        count = struct.unpack_from("<I", data, directories - 4)[0]
        self.directories = [struct.unpack_from("<II", data, directories + 8 * i) for i in range(count)]
        table = self.optional + optional_size
        self.sections = []
        for i in range(sections):
            name, vsize, va, rawsize, rawptr = struct.unpack_from("<8sIIII", data, table + 40 * i)
            self.sections.append((name.rstrip(b"\0").decode("ascii", "replace"), va, max(vsize, rawsize), rawptr, rawsize))

    def offset(self, rva):
        for _, va, size, rawptr, rawsize in self.sections:
            if va <= rva < va + size:
                if rva - va >= rawsize:
                    raise ValueError("RVA 0x%x lies outside the file" % rva)
                return rawptr + rva - va
        raise ValueError("RVA 0x%x in no section" % rva)

    def read(self, rva, size):
        start = self.offset(rva)
        return self.data[start:start + size]

    def c_string(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii")

    def resources(self):
        """{(type, id): [(language, bytes)]}; names as strings, ids as ints."""
        rva, size = self.directories[2]
        if not size:
            return {}
        base = self.offset(rva)
        result = {}

        def entries(offset):
            named, numbered = struct.unpack_from("<HH", self.data, base + offset + 12)
            for i in range(named + numbered):
                name, target = struct.unpack_from("<II", self.data, base + offset + 16 + 8 * i)
                if name & 0x80000000:
                    at = base + (name & 0x7FFFFFFF)
                    length = struct.unpack_from("<H", self.data, at)[0]
                    name = self.data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
                yield name, target

        for type_id, type_target in entries(0):
            for res_id, id_target in entries(type_target & 0x7FFFFFFF):
                for lang, data_target in entries(id_target & 0x7FFFFFFF):
                    data_rva, data_size = struct.unpack_from("<II", self.data, base + data_target)
                    result.setdefault((type_id, res_id), []).append((lang, self.read(data_rva, data_size)))
        return result

    def imports(self):
        """{dll name (lower case): set of function names}."""
        rva, size = self.directories[1]
        result = {}
        if not size:
            return result
        thunk_size = 4 if self.magic == 0x10B else 8
        ordinal_flag = 1 << (thunk_size * 8 - 1)
        at = self.offset(rva)
        while True:
            lookup, _, _, name_rva, address = struct.unpack_from("<IIIII", self.data, at)
            if name_rva == 0:
                return result
            names = result.setdefault(self.c_string(name_rva).lower(), set())
            thunk = self.offset(lookup or address)
            while True:
                value = struct.unpack_from("<Q" if thunk_size == 8 else "<I", self.data, thunk)[0]
                if value == 0:
                    break
                names.add("#%d" % (value & 0xFFFF) if value & ordinal_flag else self.c_string((value & 0x7FFFFFFF) + 2))
                thunk += thunk_size
            at += 20


class Reader:
    """Reads a little-endian resource template field by field."""

    def __init__(self, data):
        self.data = data
        self.at = 0

    def take(self, fmt):
        values = struct.unpack_from("<" + fmt, self.data, self.at)
        self.at += struct.calcsize("<" + fmt)
        return values if len(values) > 1 else values[0]

    def text(self):
        end = self.at
        while self.data[end:end + 2] != b"\0\0":
            end += 2
        value = self.data[self.at:end].decode("utf-16-le")
        self.at = end + 2
        return value

    def text_or_ordinal(self):
        """An ordinal (0xFFFF, id) as an int, else a zero-ended UTF-16 text."""
        if self.data[self.at:self.at + 2] == b"\xff\xff":
            self.at += 2
            return self.take("H")
        return self.text()

    def align(self, boundary):
        self.at = (self.at + boundary - 1) // boundary * boundary


def parse_dialogex(data):
    r = Reader(data)
    dialog = {}
    (dialog["version"], dialog["signature"], dialog["help_id"], dialog["ex_style"], dialog["style"],
     count, dialog["x"], dialog["y"], dialog["cx"], dialog["cy"]) = r.take("HHIIIHhhhh")
    dialog["menu"] = r.text_or_ordinal()
    dialog["class"] = r.text_or_ordinal()
    dialog["caption"] = r.text()
    dialog["font"] = r.take("HHBB") + (r.text(),)
    dialog["controls"] = []
    for _ in range(count):
        r.align(4)
        control = {}
        (control["help_id"], control["ex_style"], control["style"], control["x"], control["y"], control["cx"],
         control["cy"], control["id"]) = r.take("IIIhhhhI")
        control["class"] = r.text_or_ordinal()
        control["text"] = r.text_or_ordinal()
        control["extra"] = r.take("H")
        r.at += control["extra"]
        dialog["controls"].append(control)
    dialog["trailing"] = data[r.at:].strip(b"\0")
    return dialog


def parse_menu(data):
    """Classic menu template: header and [(flags, id or None, text)] in file order."""
    r = Reader(data)
    header = r.take("HH")
    items = []

    def level():
        # MF_END (0x80) marks the last entry of a level; MF_POPUP (0x10) opens one.
        while True:
            flags = r.take("H")
            item_id = None if flags & 0x0010 else r.take("H")
            items.append((flags, item_id, r.text()))
            if flags & 0x0010:
                level()
            if flags & 0x0080:
                return

    level()
    return header, items, data[r.at:]


class ExeChecks(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        with open(EXE_PATH, "rb") as f:
            cls.pe = PeFile(f.read())
        cls.res = cls.pe.resources()

    def resource(self, type_id, res_id):
        entries = self.res.get((type_id, res_id))
        self.assertTrue(entries, "resource %s/%s missing" % (type_id, res_id))
        return entries[0][1]

    def test_file_format_and_subsystem(self):
        machine, magic = MACHINES[ARCH]
        self.assertEqual(self.pe.machine, machine, "machine")
        self.assertEqual(self.pe.magic, magic, "optional header magic (PE32 / PE32+)")
        self.assertEqual(self.pe.subsystem, 2, "Windows GUI subsystem")
        self.assertTrue(self.pe.characteristics & 0x0002, "marked executable")
        self.assertFalse(self.pe.characteristics & 0x2000, "not a DLL")

    def test_resources_are_exactly_these_in_us_english(self):
        self.assertEqual(set(self.res), EXPECTED_RESOURCES)
        for key, entries in self.res.items():
            self.assertEqual([lang for lang, _ in entries], [LANG_EN_US], "language of %s" % (key,))

    def test_dialog_template(self):
        dialog = parse_dialogex(self.resource(RT_DIALOG, 101))
        self.assertEqual((dialog["version"], dialog["signature"]), (1, 0xFFFF), "DIALOGEX form")
        self.assertEqual((dialog["help_id"], dialog["ex_style"]), (0, 0))
        self.assertEqual(hex(dialog["style"]), hex(0x80CB08C0))
        self.assertEqual((dialog["x"], dialog["y"], dialog["cx"], dialog["cy"]), (0, 0, 292, 110))
        self.assertEqual(dialog["menu"], 105)
        self.assertEqual(dialog["class"], "", "the platform's dialog class")
        self.assertEqual(dialog["caption"], "Orvenda 1.0.0")
        self.assertEqual(dialog["font"], (8, 400, 0, 238, "Microsoft Sans Serif"))
        expected = [
            # id, class, style, x, y, cx, cy, text
            (65535, 0x0082, 0x50020000, 8, 7, 84, 12, "Směrovací číslo"),
            (1002, 0x0085, 0x50210101, 8, 34, 134, 185, ""),
            (65534, 0x0082, 0x50020000, 150, 7, 54, 12, "Obec"),
            (1003, 0x0085, 0x50210101, 150, 34, 134, 185, ""),
        ]
        got = [(c["id"], c["class"], c["style"], c["x"], c["y"], c["cx"], c["cy"], c["text"])
               for c in dialog["controls"]]
        self.assertEqual(got, expected)
        for c in dialog["controls"]:
            self.assertEqual((c["help_id"], c["ex_style"], c["extra"]), (0, 0, 0), "control %d" % c["id"])
        self.assertEqual(dialog["trailing"], b"", "nothing after the last control")

    def test_menu_template(self):
        header, items, rest = parse_menu(self.resource(RT_MENU, 105))
        self.assertEqual(header, (0, 0), "classic menu header")
        self.assertEqual(rest.strip(b"\0"), b"", "nothing after the menu")
        self.assertEqual(items, [
            (0x0010, None, "&Program"),
            (0x0080, 2000, "&Ukončit\tAlt-F4"),
            (0x4090, None, "&Nápověda"),
            (0x0000, 2001, "&O programu..."),
            (0x0080, 2002, "&Návod"),
        ])

    def test_icon(self):
        group = self.resource(RT_GROUP_ICON, 104)
        reserved, kind, count = struct.unpack_from("<HHH", group, 0)
        self.assertEqual((reserved, kind, count), (0, 1, 1), "one icon image")
        width, height, colours, _, planes, bits, size, image_id = struct.unpack_from("<BBBBHHIH", group, 6)
        self.assertEqual((width, height, colours, planes, bits, size, image_id), (32, 32, 16, 1, 4, 744, 1))
        self.assertEqual(len(group), 6 + 14)

        image = self.resource(RT_ICON, 1)
        self.assertEqual(len(image), 744)
        header_size, w, h, planes, bits, compression = struct.unpack_from("<IiiHHI", image, 0)
        self.assertEqual((header_size, w, h, planes, bits, compression), (40, 32, 64, 1, 4, 0))
        palette = [(image[40 + 4 * i + 2], image[40 + 4 * i + 1], image[40 + 4 * i]) for i in range(16)]
        self.assertEqual(palette, STANDARD_16_COLOURS)
        and_mask = image[40 + 64 + 32 * 16:]
        self.assertEqual(len(and_mask), 32 * 4)
        self.assertEqual(set(and_mask), {0}, "AND mask all zeros: no transparent pixel")

    def test_bitmaps_are_device_independent_bitmaps(self):
        for res_id in (103, 108):
            data = self.resource(RT_BITMAP, res_id)
            header_size, w, h = struct.unpack_from("<Iii", data, 0)
            self.assertEqual(header_size, 40, "bitmap %d header" % res_id)
            self.assertTrue(w > 0 and h != 0, "bitmap %d size" % res_id)

    def test_imports_only_platform_dlls_and_the_called_functions(self):
        imports = self.pe.imports()
        for dll in imports:
            self.assertTrue(dll in PLATFORM_DLLS or dll.startswith("api-ms-win-"), "imports from " + dll)
            for runtime in ("libgcc", "libstdc++", "libwinpthread"):
                self.assertNotIn(runtime, dll)
        for dll, functions in CALLED_FUNCTIONS.items():
            self.assertTrue(functions <= imports.get(dll, set()),
                            "%s lacks %s" % (dll, sorted(functions - imports.get(dll, set()))))
        # The 8-bit functions throughout: no wide-character USER32 call.
        wide = sorted(f for f in imports.get("user32.dll", set()) if f.endswith("W"))
        self.assertEqual(wide, [], "wide-character USER32 functions")


if __name__ == "__main__":
    if len(sys.argv) != 3 or sys.argv[2] not in MACHINES:
        sys.exit("usage: check_exe.py PATH/orvenda.exe i386|x86-64")
    EXE_PATH, ARCH = sys.argv[1], sys.argv[2]
    unittest.main(argv=[sys.argv[0], "-v"])
