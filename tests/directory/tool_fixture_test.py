"""The directory tool on small made-up lists: what it writes, and that it
stops with an error instead of writing a row that breaks the table's rules.

    python3 tests/directory/tool_fixture_test.py [path/to/make_directory.py]
"""

import os
import subprocess
import sys
import tempfile
import unittest

TOOL = sys.argv.pop(1) if len(sys.argv) > 1 else os.path.join(
    os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "make_directory.py")

CZ_HEADER = ("kodcobce,nazcobce,psc,kodobce,nazobce,kodokresu,nazokresu,kodkraj,nazevkraj,"
             "kodmomc,nazmomc,kodpobvod,nazpobvod\n")


def cz_row(part_id, part, code, municipality_id, municipality, district, town_district=""):
    return "%s,%s,%s,%s,%s,1,%s,1,K,%s,%s,,\n" % (part_id, part, code, municipality_id, municipality,
                                                district, "1" if town_district else "", town_district)


BASE_CZ = [
    cz_row(1, "Albrechtice", "73543", 10, "Albrechtice", "Karviná"),
    cz_row(2, "Albrechtice", "51722", 11, "Albrechtice", "Rychnov nad Kněžnou"),
    cz_row(3, "Aš", "35201", 12, "Aš", "Cheb"),
    cz_row(4, "Doubrava", "35201", 12, "Aš", "Cheb"),
    cz_row(5, "Kunratice u Cvikova", "47155", 13, "Kunratice u Cvikova", "Česká Lípa"),
]

SK_FILES = {
    "sk-post-obce.csv": "N,Dlhy_Nazov_Obec,Obec,Okres,PSC,Dlhy_Nazov_Posta,Posta,ID_Okres,ID_Kraj\n"
                        "1,Abovce,Abovce,Rimavská Sobota,980 44,Lenartovce,Lenartovce,609,BC\n"
                        "2,Žilina,Žilina,Žilina,,,Pozri zoz.ulíc s PSČ,511,ZI\n",
    "sk-post-obce-viac-psc.csv": "N,Obec,Okres,ID_Kraj,Kraj,PSC,Posta,Miestne_Pomenovanie,"
                                 "Supisne_Cisla\n",
    "sk-obce-casti.csv": "Obce s oficiálnymi miestnymi časťami\n"
                         "kraj,Okres,Názov Obce,Názov Miestnej časti,Typ\n"
                         "BC,Rimavská Sobota,Abovce,Abovce,obec s miestnymi časťami\n"
                         "BC,Rimavská Sobota,Abovce,#REF!,miestna časť\n",
    "sk-post-ulice.csv": "N,Dlhy_Nazov_Ulica,Ulica,PSC,Dlhy_Nazov_Posta,Posta,Poznamka,Obec\n"
                         "1,Hlinkova,Hlinkova,010 01,Žilina 1,Žilina 1,,Žilina\n",
    "geonames-CZ.txt": "CZ\t352 01\tAš\tKarlovarský kraj\t41\tCheb\t4101\t\t\t50.2\t12.2\t4\n",
    "geonames-SK.txt": "",
}


def run_tool(cz_rows, sk_files=None):
    folder = tempfile.mkdtemp()
    sources, out = os.path.join(folder, "sources"), os.path.join(folder, "out")
    os.makedirs(sources)
    with open(os.path.join(sources, "cz-post-obce-psc.csv"), "w", encoding="utf-8") as handle:
        handle.write(CZ_HEADER + "".join(cz_rows))
    for name, text in dict(SK_FILES, **(sk_files or {})).items():
        with open(os.path.join(sources, name), "w", encoding="utf-8") as handle:
            handle.write(text)
    result = subprocess.run([sys.executable, TOOL, "--sources", sources, "--out", out],
                            capture_output=True, text=True)
    table = report = None
    if result.returncode == 0:
        with open(os.path.join(out, "PostalEntries.inc"), encoding="utf-8") as handle:
            table = handle.read().splitlines()
        with open(os.path.join(out, "REPORT.md"), encoding="utf-8") as handle:
            report = handle.read()
    return result, table, report


class ToolOnSmallLists(unittest.TestCase):
    def test_writes_the_table_in_order_with_qualifiers_and_blanks(self):
        result, table, report = run_tool(BASE_CZ)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(table, [
            'POSTAL_ENTRY("98044", "Abovce")',
            'POSTAL_ENTRY("73543", "Albrechtice (Karviná) ")',
            'POSTAL_ENTRY("51722", "Albrechtice (Rych. n. Kn.) ")',
            'POSTAL_ENTRY("35201", "Aš")',
            'POSTAL_ENTRY("35201", "Doubrava")',
            'POSTAL_ENTRY("47155", "Kunratice u Cvikova")',
            'POSTAL_ENTRY("01001", "Žilina")',
            'POSTAL_ENTRY("01001", "Žilina 1")',
        ])
        self.assertIn("#REF!", report)          # the broken row is named ...
        self.assertIn("spreadsheet error", report)  # ... with its reason

    def test_stops_on_rows_that_break_the_rules(self):
        broken = {
            "apostrophe": cz_row(6, "Lhota u O'Brien", "12345", 14, "Lhota", "Kolín"),
            "not Windows-1250": cz_row(6, "Łódka", "12345", 14, "Łódka", "Kolín"),
            "too long for any abbreviation": cz_row(
                6, "Nejdelšíjménovesnicevůbec Nejdelší", "12345", 14, "X", "Kolín"),
        }
        for what, row in broken.items():
            with self.subTest(what):
                result, table, _ = run_tool(BASE_CZ + [row])
                self.assertNotEqual(result.returncode, 0, what)
                self.assertIsNone(table)
                self.assertIn("make_directory:", result.stderr)

    def test_same_lists_give_the_same_bytes(self):
        first = run_tool(BASE_CZ)
        second = run_tool(list(reversed(BASE_CZ)))
        self.assertEqual(first[1], second[1])
        self.assertEqual(first[2], second[2])


def entries(table):
    """(code, place text without its trailing blank) of every row."""
    rows = []
    for line in table:
        code, place = line[len('POSTAL_ENTRY("'):-2].split('", "')
        rows.append((code, place.rstrip(" ")))
    return rows


def texts_of(rows, code):
    return sorted(text for c, text in rows if c == code)


def codes_of(rows, text):
    return sorted(c for c, t in rows if t == text)


SK_MUNICIPALITY_HEADER = "N,Dlhy_Nazov_Obec,Obec,Okres,PSC,Dlhy_Nazov_Posta,Posta,ID_Okres,ID_Kraj\n"
SK_PARTS_HEADER = "Obce s oficiálnymi miestnymi časťami\nkraj,Okres,Názov Obce,Názov Miestnej časti,Typ\n"


class NamingRules(unittest.TestCase):
    """Each naming rule of the tool on a small made-up list."""

    def table(self, cz_rows, sk_files=None):
        result, table, report = run_tool(cz_rows, sk_files)
        self.assertEqual(result.returncode, 0, result.stderr)
        return entries(table), report

    def test_a_town_with_several_codes_stands_once_per_code(self):
        rows, _ = self.table(BASE_CZ + [
            cz_row(20, "Albrechtice nad Vltavou", "39816", 30, "Albrechtice nad Vltavou", "Písek"),
            cz_row(21, "Hory", "37501", 30, "Albrechtice nad Vltavou", "Písek"),
            cz_row(22, "Chlumec", "39817", 30, "Albrechtice nad Vltavou", "Písek"),
            cz_row(23, "Jehnědno", "39817", 30, "Albrechtice nad Vltavou", "Písek"),
        ])
        # The bare row keeps the code of the town's own part; every other code
        # stands with the parts it serves, and with those parts' own rows.
        self.assertEqual(codes_of(rows, "Albrechtice nad Vltavou"), ["39816"])
        self.assertEqual(texts_of(rows, "37501"), ["Albrechtice nad Vlt. (Hory)", "Hory"])
        self.assertEqual(texts_of(rows, "39817"),
                         ["Albrechtice nad Vlt. (Chl.)", "Chlumec", "Jehnědno"])

    def test_town_districts_stand_with_the_parts_each_code_serves(self):
        rows, _ = self.table(BASE_CZ + [
            cz_row(40, "Veveří", "60200", 50, "Brno", "Brno-město", "Brno-střed"),
            cz_row(40, "Veveří", "61600", 50, "Brno", "Brno-město", "Brno-střed"),
            cz_row(41, "Stránice", "60200", 50, "Brno", "Brno-město", "Brno-střed"),
            cz_row(42, "Bystrc", "63500", 50, "Brno", "Brno-město", "Brno-Bystrc"),
            cz_row(42, "Bystrc", "66471", 50, "Brno", "Brno-město", "Brno-Bystrc"),
        ])
        self.assertEqual(texts_of(rows, "60200"),
                         ["Brno (Stránice,Veveří)", "Brno-Stránice", "Brno-Veveří",
                          "Brno-střed (Stránice)", "Stránice", "Veveří"])
        self.assertIn("Brno-střed (Veveří)", texts_of(rows, "61600"))
        # A district that is one part: one place with its two codes.
        self.assertEqual(codes_of(rows, "Brno-Bystrc"), ["63500", "66471"])
        self.assertNotIn("Brno", [text for _, text in rows])

    def test_a_municipality_keeps_its_plain_name(self):
        rows, _ = self.table(BASE_CZ + [
            cz_row(60, "Zábřeh", "78901", 70, "Zábřeh", "Šumperk"),
            cz_row(61, "Zábřeh", "74722", 71, "Dolní Benešov", "Opava"),
            cz_row(62, "Dolní Benešov", "74722", 71, "Dolní Benešov", "Opava"),
        ])
        self.assertEqual(codes_of(rows, "Zábřeh"), ["78901"])
        self.assertEqual(codes_of(rows, "Zábřeh (Dolní Benešov)"), ["74722"])

    def test_a_long_name_gives_way_from_its_end(self):
        rows, _ = self.table(BASE_CZ + [
            cz_row(80, "Blatnice pod Svatým Antonínkem", "69671", 90,
                   "Blatnice pod Svatým Antonínkem", "Hodonín"),
            cz_row(81, "Králova Lhota", "51771", 91, "Králova Lhota", "Rychnov nad Kněžnou"),
            cz_row(82, "Králova Lhota", "39804", 92, "Králova Lhota", "Písek"),
            cz_row(83, "Lhota", "51781", 93, "Lhota", "Rychnov nad Kněžnou"),
            cz_row(84, "Lhota", "27101", 94, "Lhota", "Kladno"),
        ])
        self.assertEqual(texts_of(rows, "69671"), ["Blatnice pod Svatým Ant."])
        # A district in full where it fits, else in its one short form.
        self.assertEqual(texts_of(rows, "51781"), ["Lhota (Rychnov nad Kněžnou)"])
        self.assertEqual(texts_of(rows, "51771"), ["Králova Lh. (Rych. n. Kn.)"])
        self.assertEqual(texts_of(rows, "51722"), ["Albrechtice (Rych. n. Kn.)"])

    def test_slovak_places_are_read_against_the_parts_list(self):
        rows, report = self.table(BASE_CZ, {
            "sk-post-obce.csv": SK_MUNICIPALITY_HEADER +
            "1,Púchov,Púchov,Púchov,020 01,Púchov 1,Púchov 1,308,TC\n"
            "2,Vieska - Bezdedov,Vieska - Bezdedov,Púchov,020 01,Púchov 1,Púchov 1,308,TC\n"
            "3,Bezdedov - Vieska,Bezdedov - Vieska,Púchov,020 01,Púchov 1,Púchov 1,308,TC\n"
            "4,Svit,Svit,Poprad,059 21,Svit 1,Svit 1,706,PV\n"
            "5,Mengusovce,Mengusovce,Poprad,059 36,Svit 1,Svit 1,706,PV\n"
            "6,Žilina,Žilina,Žilina,,,Pozri zoz.ulíc s PSČ,511,ZI\n",
            "sk-obce-casti.csv": SK_PARTS_HEADER +
            "TC,Púchov,Púchov,Vieska-Bezdedov,miestna časť\n"
            "ZI,Žilina,Žilina,Budatín,miestna časť\n"
            "ZI,Žilina,Žilina,Bánová,miestna časť\n",
            "sk-post-ulice.csv": "N,Dlhy_Nazov_Ulica,Ulica,PSC,Dlhy_Nazov_Posta,Posta,Poznamka,Obec\n"
                                 "1,Hlinkova,Hlinkova,010 01,Žilina 1,Žilina 1,,Žilina\n"
                                 "2,Kvetná,Kvetná,010 03,Žilina 3,Žilina 3,,Žilina\n",
            "geonames-SK.txt": "SK\t010 03\tBudatín\tŽilinský\t\tŽilina\t\t\t\t49.2\t18.7\t4\n",
        })
        # One double-barrelled place written in both orders: the parts list's one.
        self.assertEqual(codes_of(rows, "Vieska-Bezdedov"), ["02001"])
        self.assertFalse([t for _, t in rows if "Bezdedov" in t and t != "Vieska-Bezdedov"])
        # A post office keeps its own town's code.
        self.assertEqual(codes_of(rows, "Svit 1"), ["05921"])
        self.assertEqual(codes_of(rows, "Mengusovce"), ["05936"])
        # A part of a town whose codes go by street: only the code given by name.
        self.assertEqual(codes_of(rows, "Budatín"), ["01003"])
        self.assertEqual(texts_of(rows, "01003"), ["Budatín", "Žilina (Budatín)", "Žilina 3"])
        self.assertFalse([t for _, t in rows if t.startswith("Bánová")])
        self.assertIn("Bánová, Žilina", report)     # left out, and named


if __name__ == "__main__":
    unittest.main()
