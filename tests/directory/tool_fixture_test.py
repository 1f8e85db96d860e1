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


def cz_row(part_id, part, code, municipality_id, municipality, district):
    return "%s,%s,%s,%s,%s,1,%s,1,K,,,,\n" % (part_id, part, code, municipality_id, municipality,
                                              district)


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


def run_tool(cz_rows):
    folder = tempfile.mkdtemp()
    sources, out = os.path.join(folder, "sources"), os.path.join(folder, "out")
    os.makedirs(sources)
    with open(os.path.join(sources, "cz-post-obce-psc.csv"), "w", encoding="utf-8") as handle:
        handle.write(CZ_HEADER + "".join(cz_rows))
    for name, text in SK_FILES.items():
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


if __name__ == "__main__":
    unittest.main()
