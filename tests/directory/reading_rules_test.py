"""The whole table, read as a person reads it: every rule of the texts over
every row made from the official lists.

    python3 tests/directory/reading_rules_test.py TOOLS_DIR SOURCES_DIR
"""

import os
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
TOOLS = sys.argv.pop(1) if len(sys.argv) > 2 else os.path.join(HERE, "..", "..", "tools")
SOURCES = sys.argv.pop(1) if len(sys.argv) > 1 else os.path.join(HERE, "..", "..", "..", "shared",
                                                                  "sources")
sys.path.insert(0, TOOLS)

import directory_checks as checks          # noqa: E402
from directory_sources import read_all     # noqa: E402
from make_directory import build_entries   # noqa: E402

# Names that typing their first words cannot bring up with every code: the
# name and the district that tells it from its namesakes need more than 27
# characters, or a part of a district's town is written Town-Part beside a
# municipality of its name in that district.
TOO_LONG_WITH_THEIR_DISTRICT = {
    "Horní Heřmanice", "Horní Stropnice", "Josefův Důl", "Kamenná Poruba", "Kamenný Újezd",
    "Králova Lhota", "Písková Lhota", "Zlatá Olešnice", "Čierna Lehota",
    "Brno-Řečkovice a Mokrá Hora",
}
WRITTEN_TOWN_PART = {"Jesenice"}


class WholeTable(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.col = read_all(SOURCES)
        cls.rows, _ = build_entries(cls.col)
        cls.places = [p for p in cls.col.places.values() if p["codes"]]

    def test_every_text_with_several_codes_names_one_place_that_has_them(self):
        self.assertEqual(checks.texts_with_codes_of_several_places(self.rows), [])

    def test_every_row_carries_a_code_of_the_place_it_names(self):
        self.assertEqual(checks.rows_with_code_of_another_place(self.rows), [])

    def test_typing_the_first_words_of_a_name_brings_up_its_codes(self):
        missed = checks.names_not_reached_by_typing(
            checks.official_names(self.places), [(r["text"], r["code"]) for r in self.rows])
        self.assertLessEqual({name for name, _ in missed},
                             TOO_LONG_WITH_THEIR_DISTRICT | WRITTEN_TOWN_PART)

    def test_municipalities_of_a_name_of_their_own_stand_plain(self):
        self.assertEqual(checks.municipalities_without_their_plain_name(self.places, self.rows), [])

    def test_a_district_has_at_most_two_forms(self):
        forms = checks.district_forms(self.rows)
        self.assertEqual({d: f for d, f in forms.items() if len(f) > 2}, {})
        self.assertEqual(forms["Rychnov nad Kněžnou"], {"Rychnov nad Kněžnou", "Rych. n. Kn."})

    def test_every_row_names_a_place_of_the_lists_once(self):
        self.assertEqual(checks.rows_naming_no_listed_place(self.rows, self.col.list_places), [])
        self.assertEqual(checks.places_standing_twice(self.places), [])


if __name__ == "__main__":
    unittest.main()
