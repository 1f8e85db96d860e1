"""Checks of the table as a person reads it, one per rule, each returning
the rows or names that break it (an empty list when the rule holds).

The checks read the rows with the places they come from (each row a dict
with "code", "text", "place" and "served", the parts named in its
parentheses), and the places of the lists; the report gives their figures
and the tool test runs them on made-up lists.
"""

from directory_sources import fold_name
from directory_texts import typed_prefix


def row_codes_of_place(row):
    """The codes that the lists give to what the row names: each part in its
    parentheses, or the place itself (a town's own part, where the town
    stands in one row per code)."""
    place = row["place"]
    if row["served"]:
        shown = row.get("shown") or row["served"]
        return set.intersection(*[set(place["parts"].get(part, ())) for part in shown])
    if place["parts"] and place["own"]:
        return set(place["own"])
    return set(place["codes"])


def texts_with_codes_of_several_places(rows):
    """Texts that stand with more than one code although no one place that
    they name has every one of those codes: [(text, codes)]."""
    by_text = {}
    for row in rows:
        by_text.setdefault(row["text"], []).append(row)
    broken = []
    for text, same in sorted(by_text.items()):
        codes = {row["code"] for row in same}
        if len(codes) < 2:
            continue
        keys = {row["place"]["key"] for row in same}
        if len(keys) == 1 and all(codes <= row_codes_of_place(row) for row in same):
            continue
        broken.append((text, sorted(codes)))
    return broken


def rows_with_code_of_another_place(rows):
    """Rows whose code the lists do not give to the place that the row names:
    [(text, code)]."""
    return [(row["text"], row["code"]) for row in rows if row["code"] not in row_codes_of_place(row)]


def official_names(places):
    """Every name that the lists give a place, with all its codes."""
    names = {}
    for place in places:
        if place["codes"]:
            names.setdefault(place["name"], set()).update(place["codes"])
    return names


def names_not_reached_by_typing(names, table):
    """Official names whose first words (up to 16 characters), typed into the
    place list, bring up no row for some of their codes: [(name, codes missed)].
    `table` is a list of (text, code)."""
    texts_by_code = {}
    for text, code in table:
        texts_by_code.setdefault(code, []).append(text.casefold())
    missed = []
    for name, codes in sorted(names.items()):
        typed = typed_prefix(name).casefold()
        lost = sorted(code for code in codes
                      if not any(text.startswith(typed) for text in texts_by_code.get(code, ())))
        if lost:
            missed.append((name, lost))
    return missed


def municipalities_without_their_plain_name(places, rows):
    """Municipalities whose name no other municipality bears, that stand
    only with a district or other qualifier: [name].  A row counts as plain
    when its text is the name, or the name followed by the parts that a code
    serves (the row coming from the municipality itself)."""
    count = {}
    for place in places:
        if place["kind"] == "municipality" and place["codes"]:
            count[fold_name(place["name"])] = count.get(fold_name(place["name"]), 0) + 1
    plain = set()
    for row in rows:
        place = row.get("place")
        if place is None:
            if "(" not in row["text"]:
                plain.add(row["text"])
            continue
        qualifier = row.get("qualifier")
        if qualifier is None or (qualifier[0] == "parts" and qualifier[2] is None):
            plain.add(place["key"])
    return sorted(place["name"] for place in places
                  if place["kind"] == "municipality" and place["codes"]
                  and count[fold_name(place["name"])] == 1
                  and place["key"] not in plain and place["name"] not in plain)


def district_forms(rows):
    """The forms in which each district is written in qualifiers: {district: forms}."""
    forms = {}
    for row in rows:
        if row.get("district_form"):
            forms.setdefault(row["district"], set()).add(row["district_form"])
    return forms


def rows_naming_no_listed_place(rows, list_places):
    """Rows whose place (its name with its municipality) no list names:
    [(text, code)]."""
    broken = []
    for row in rows:
        place = row["place"]
        name, municipality = place.get("names_place", (place["name"], place["municipality"]))
        if (fold_name(name), fold_name(municipality)) not in list_places:
            broken.append((row["text"], row["code"]))
    return broken


def places_standing_twice(places):
    """Slovak places of one name with the same codes under two districts
    (one place read twice): [(name, codes)]."""
    seen = {}
    for place in places:
        if place["country"] == "SK" and place["codes"] and place["kind"] in ("part", "municipality"):
            seen.setdefault((fold_name(place["name"]), tuple(sorted(place["codes"]))), []).append(place)
    return sorted((same[0]["name"], list(codes)) for (name, codes), same in seen.items()
                  if len({p["district"] for p in same}) > 1)
