"""directory/REPORT.md: the figures of the table, what was left out and why,
how much of every list the table covers, and the GeoNames cross-check."""

import re

from directory_rules import visible
from directory_sources import (BRATISLAVA_QUARTER_CODES, GEONAMES_CZ, GEONAMES_SK,
                               OFFICIAL_LISTS, QUARTER_TABLE, read_geonames)
import directory_checks as checks
from directory_texts import DISTRICT_SHORT, typed_prefix

CZECH_DIGITS = "1234567"


def number(n):
    return "{:,}".format(n)


def table(header, rows):
    lines = ["| " + " | ".join(header) + " |", "|" + "---|" * len(header)]
    lines += ["| " + " | ".join(str(cell) for cell in row) + " |" for row in rows]
    return lines


def quoted(items):
    return ", ".join('"%s"' % item for item in items)


def name_part(text):
    """The name without its qualifier: "Albrechtice (Karviná)" -> "Albrechtice"."""
    return text.split(" (", 1)[0]


def figures(rows, shortened):
    out = []
    codes_cz = {c for c, _, _ in rows if c[0] in CZECH_DIGITS}
    codes_sk = {c for c, _, _ in rows if c[0] not in CZECH_DIGITS}
    entries_cz = sum(1 for c, _, _ in rows if c[0] in CZECH_DIGITS)
    texts = {visible(p) for _, p, _ in rows}
    out.append("## The table")
    out.append("")
    out += table(["", "Entries", "Distinct codes"], [
        ["Czech Republic (first digit 1 to 7)", number(entries_cz), number(len(codes_cz))],
        ["Slovak Republic (first digit 0, 8, 9)", number(len(rows) - entries_cz), number(len(codes_sk))],
        ["Together", number(len(rows)), number(len(codes_cz | codes_sk))],
    ])
    out.append("")
    pairs = {(c, p) for c, p, _ in rows}
    out.append("Distinct place texts: %s; distinct (code, place) pairs: %s (every row is "
               "one such pair)." % (number(len(texts)), number(len(pairs))))
    wrong_country = [(c, p) for c, p, place in rows
                     if (c[0] in CZECH_DIGITS) != (place["country"] == "CZ")]
    out.append("Rows whose code's first digit points to the other country: %s%s." % (
        number(len(wrong_country)),
        "" if not wrong_country else " (" + quoted("%s %s" % (p.strip(), c) for c, p in wrong_country[:10]) + ")"))
    out.append("")
    digits = "0123456789"
    out += table(["First digit"] + list(digits),
                 [["Entries"] + [number(sum(1 for c, _, _ in rows if c[0] == d)) for d in digits],
                  ["Distinct codes"] + [number(len({c for c, _, _ in rows if c[0] == d}))
                                        for d in digits]])
    out.append("")
    lowest, highest = min(c for c, _, _ in rows), max(c for c, _, _ in rows)
    out.append("Lowest code %s (%s), highest %s (%s). Codes beginning with \"00\": %d." % (
        lowest, quoted(sorted({visible(p) for c, p, _ in rows if c == lowest})),
        highest, quoted(sorted({visible(p) for c, p, _ in rows if c == highest})),
        sum(1 for c, _, _ in rows if c.startswith("00"))))
    out.append("")

    out.append("### Sharing")
    out.append("")
    by_code = {}
    for c, p, _ in rows:
        by_code.setdefault(c, []).append(visible(p))
    alone = sum(1 for places in by_code.values() if len(places) == 1)
    shared = {c: places for c, places in by_code.items() if len(places) > 1}
    out.append("%s codes are borne by one entry each, %s by two or more (%s entries together)." % (
        number(alone), number(len(shared)), number(sum(len(p) for p in shared.values()))))
    out.append("")
    buckets = [(2, 2), (3, 3), (4, 4), (5, 5), (6, 10), (11, 20), (21, 50), (51, 100), (101, 999)]
    sizes = []
    for low, high in buckets:
        n = sum(1 for places in shared.values() if low <= len(places) <= high)
        if n:
            sizes.append([str(low) if low == high else "%d to %d" % (low, high), number(n)])
    out += table(["Entries per code", "Codes"], sizes)
    out.append("")
    largest = sorted(shared.items(), key=lambda item: (-len(item[1]), item[0]))[:3]
    for code, places in largest:
        out.append("- %s: %d entries (%s)" % (code, len(places), quoted(sorted(places))))
    out.append("")
    by_text = {}
    for c, p, _ in rows:
        by_text.setdefault(visible(p), []).append(c)
    several = sum(1 for codes in by_text.values() if len(codes) > 1)
    out.append("Texts borne by more than one entry (one place, several codes): %s." % number(several))
    out.append("")

    out.append("### Place texts")
    out.append("")
    lengths = sorted(len(t) for t in texts)
    shortest = sorted(t for t in texts if len(t) == lengths[0])
    longest = sorted(t for t in texts if len(t) == lengths[-1])
    out.append("- Length: %d to %d visible characters. Shortest: %s. Longest (%d texts): %s." % (
        lengths[0], lengths[-1], quoted(shortest[:10]), len(longest), quoted(longest[:5])))
    ends = {"letter": 0, "digit": 0, ")": 0, ".": 0}
    for t in texts:
        last = t[-1]
        ends[last if last in ")." else ("digit" if last.isdigit() else "letter")] += 1
    out.append("- Last visible character (distinct texts): a letter %s, a digit %s, \")\" %s, \".\" %s." % (
        number(ends["letter"]), number(ends["digit"]), number(ends[")"]), number(ends["."])))
    out.append("- Rows stored with the trailing blank: %s of %s." % (
        number(sum(1 for _, p, _ in rows if p.endswith(" "))), number(len(rows))))
    qualified = [t for t in texts if " (" in t]
    qualifiers = {}
    for t in qualified:
        q = re.search(r"\(([^)]*)\)", t).group(1)
        qualifiers[q] = qualifiers.get(q, 0) + 1
    common = sorted(qualifiers.items(), key=lambda item: (-item[1], item[0]))[:5]
    out.append("- Texts with a qualifier in parentheses: %s, with %s distinct qualifiers; "
               "the commonest: %s." % (number(len(qualified)), number(len(qualifiers)),
                                       ", ".join('"%s" (%d)' % item for item in common)))
    out.append("- Single-word texts: %s. Texts with a post-office number: %s." % (
        number(sum(1 for t in texts if " " not in t)),
        number(sum(1 for t in texts if re.search(r" [0-9]{1,3}$", t)))))
    out.append("")

    out.append("### Shortened texts")
    out.append("")
    out.append("%s places have a text shortened to fit 27 characters (the qualifier first, "
               "then the end of the name)." % number(len(shortened)))
    out.append("")
    return out


# The same figures of the previous table (22,818 entries), measured when the
# rules above were introduced; the first two as counted then by hand over the
# previous table, the others by the checks of directory_checks.py run on it.
PREVIOUS = {
    "several": "1,179",
    "another": "about 1,200",
    "typing": "83",
    "plain": "848",
    "forms": "4",
    "unlisted": "17",
    "twice": "5",
}


def reading_section(col, table_rows):
    """How a person reads the table: each rule's figure now and before."""
    places = [p for p in col.places.values() if p["codes"]]
    several = checks.texts_with_codes_of_several_places(table_rows)
    another = checks.rows_with_code_of_another_place(table_rows)
    missed = checks.names_not_reached_by_typing(
        checks.official_names(places), [(row["text"], row["code"]) for row in table_rows])
    plain = checks.municipalities_without_their_plain_name(places, table_rows)
    forms = checks.district_forms(table_rows)
    unlisted = checks.rows_naming_no_listed_place(table_rows, col.list_places)
    twice = checks.places_standing_twice(places)
    out = ["## How a person reads it", ""]
    out.append("Each rule of the texts, checked over the whole table by the tool "
               "(tools/directory_checks.py), beside the same figure of the previous table.")
    out.append("")
    out += table(["Rule", "Before", "Now"], [
        ["Texts with several codes although no one place that they name has all of them",
         PREVIOUS["several"], number(len(several))],
        ["Rows whose code the lists give to another place than the one the row names",
         PREVIOUS["another"], number(len(another))],
        ["Official names (municipality, part, town district, borough, numbered district or "
         "post office) whose first words, typed, do not bring up each of their codes",
         PREVIOUS["typing"], number(len(missed))],
        ["Municipalities of a name of their own that stand only with a qualifier",
         PREVIOUS["plain"], number(len(plain))],
        ["Most forms of one district in qualifiers", PREVIOUS["forms"],
         number(max([len(f) for f in forms.values()] or [0]))],
        ["Rows naming a place (name and municipality) that no list names",
         PREVIOUS["unlisted"], number(len(unlisted))],
        ["Slovak places standing twice, under two districts", PREVIOUS["twice"], number(len(twice))],
    ])
    out.append("")
    out.append("How the rows tell places apart:")
    out.append("")
    out.append("- A text stands with more than one code only where the place it names has "
               "every one of them: a part (\"Husovice (Brno)\"), a Slovak municipality or part, "
               "or the parts named in its parentheses.")
    out.append("- A municipality, town district or numbered post office with several codes "
               "stands in one row per code: its own part's codes on the bare row, every other "
               "code with the parts it serves, comma without a blank (\"Praha (Háje,Šeberov)\", "
               "\"Brno-střed (Pisárky)\", \"Bratislava 42 (Dúbravka)\"). Parts that fewer codes "
               "serve come first; parts that do not fit are left off the text.")
    out.append("- A numbered post office keeps the codes of its own town; a code of a village it "
               "delivers to stands with that village. A part of a Slovak town whose codes go by "
               "street, or of a municipality with several codes, carries only a code that a "
               "source gives it by name.")
    out.append("- A municipality whose name no other municipality bears stands plain; parts of "
               "other municipalities with that name are qualified by their municipality, and by "
               "the municipality's district only where that name is itself ambiguous. "
               "Municipalities of one name are qualified by their district (the district "
               "town's own municipality stays plain).")
    out.append("- A district is written in full, or where the text does not allow it in its one "
               "short form: " + ", ".join('%s "%s"' % item for item in sorted(DISTRICT_SHORT.items()))
               + ".")
    out.append("- A text over 27 characters gives way from its end: the qualifier first, then the "
               "name's words beyond the first 16 characters that a person types, from the last "
               "one back; the first words only where nothing else fits.")
    out.append("")
    if missed:
        out.append("Official names that typing their first words does not bring up with every "
                   "code (the name and what must stand beside it need more than 27 characters, "
                   "or a part takes its town's name first beside a municipality of its name):")
        out.append("")
        texts = {}
        for row in table_rows:
            texts.setdefault((row["place"]["name"], row["code"]), []).append(row["text"])
        for name, codes in missed:
            shown = sorted({t for code in codes for t in texts.get((name, code), [])})
            out.append("- \"%s\" (typed \"%s\"), %s: written %s" % (
                name, typed_prefix(name), ", ".join(codes), quoted(shown) if shown else "under its part's rows"))
        out.append("")
    borough_lines = ["%s: %s" % (city, ", ".join(b for c, b in col.boroughs_without_code if c == city))
                     for city in sorted({c for c, _ in col.boroughs_without_code})]
    if borough_lines:
        out.append("Boroughs that no source gives a code (the postal lists go by street and do "
                   "not name them, GeoNames does not name them, and no street remark names them; "
                   "their streets stand under the city's numbered post offices): "
                   + "; ".join(borough_lines) + ".")
        out.append("")
    return out


def sources_section(col, rows):
    out = ["## Sources", ""]
    present = {(place["key"], code) for code, _, place in rows}
    entry_sources = {}
    for code, _, place in rows:
        for source in place["codes"][code]:
            entry_sources[source] = entry_sources.get(source, 0) + 1
    out.append("Entries per source list (a row counts for every list that gives its code):")
    out.append("")
    lists = OFFICIAL_LISTS + [GEONAMES_SK, QUARTER_TABLE]
    out += table(["List", "Entries"], [[name, number(entry_sources.get(name, 0))] for name in lists])
    out.append("")
    out.append("### Coverage")
    out.append("")
    out.append("How many (place, code) pairs of each list are in the table: a pair counts "
               "when the table has the place (under its own text) with that code.")
    out.append("")
    coverage = []
    for name in lists:
        pairs = col.contributions[name]
        inside = sum(1 for targets in pairs.values() if targets & present)
        share = "%.1f %%" % (100.0 * inside / len(pairs)) if pairs else "-"
        coverage.append([name, number(len(pairs)), number(inside), share])
    out += table(["List", "Pairs", "In the table", "Share"], coverage)
    out.append("")
    out.append("Pairs are: the Czech list, (part, municipality, code); the Slovak municipality "
               "list, (name as written, code); the list of municipalities with several codes, "
               "(municipality, local name, code); the official parts, (part, municipality) with "
               "their municipality's codes; the street list, the numbered post offices and the towns "
               "whose codes go by street, each with its codes. A pair of a numbered post office "
               "with the code of a village that it delivers to is not taken: the village stands "
               "with that code (each such pair is named under \"Names read otherwise\").")
    out.append("")
    out.append("### Places whose codes come from GeoNames")
    out.append("")
    out.append("The postal lists do not say which part of a town whose codes go by street, or of "
               "a municipality with several codes, a code serves, nor which borough of Bratislava "
               "and Košice. GeoNames SK (CC BY 4.0, attribution: GeoNames) serves as the source of "
               "the parts and boroughs that it names, with a code that the lists give their town:")
    out.append("")
    geo = {}
    for key, place in sorted(col.places.items(), key=lambda item: repr(item[0])):
        for code, sources in sorted(place["codes"].items()):
            if GEONAMES_SK in sources:
                geo.setdefault("%s (%s)" % (place["name"], place["municipality"]), []).append(code)
    for name, codes in sorted(geo.items()):
        out.append("- %s: %s" % (name, ", ".join(codes)))
    out.append("")
    out.append("The remaining quarters of Bratislava come from the tool's reviewed quarter table "
               "(every code checked against the street list of Bratislava):")
    out.append("")
    for name, codes in sorted(BRATISLAVA_QUARTER_CODES.items()):
        out.append("- %s: %s" % (name, ", ".join(codes)))
    out.append("")
    return out


def left_out_section(col):
    out = ["## Rows left out", ""]
    reasons = {}
    for source, row, reason in col.left_out:
        reasons.setdefault((source, reason), []).append(row)
    for place in col.places.values():
        if not place["codes"]:
            reasons.setdefault(("all lists", "no code in any list"), []).append(
                "%s (%s)" % (place["name"], place["municipality"]))
    for (source, reason), items in sorted(reasons.items()):
        out.append("- %s, %s: %d" % (source, reason, len(items)))
        items = sorted(set(items))
        shown = items if len(items) <= 20 else items[:10]
        for item in shown:
            out.append("  - %s" % item)
        if len(shown) < len(items):
            out.append("  - and %d more of the same kind" % (len(items) - len(shown)))
    out.append("")
    out.append("## Names read otherwise than written")
    out.append("")
    out.append("Corrections from the tool's reviewed table, post-office names in another case, "
               "codes written without their blank:")
    out.append("")
    for source, name, how in sorted(set(col.notes)):
        out.append("- %s: \"%s\" %s" % (source, name, how))
    out.append("")
    normalised = sorted(set(col.normalised))
    out.append("Names brought to the table's form (no blank beside a hyphen, a blank after an "
               "ordinal's point): %d, for example %s." % (
                   len(normalised), ", ".join('"%s" as "%s"' % (n, f) for _, n, f in normalised[:6])))
    out.append("")
    return out


def cross_check(rows, sources):
    out = ["## Cross-check against GeoNames", ""]
    out.append("Every distinct (place, code) pair of the GeoNames postal dumps, looked up in "
               "the table (GeoNames writes \"Dvorníky - Včeláre\" where the table has "
               "\"Dvorníky-Včeláre\"; the two are taken as one).")
    out.append("")
    by_pair = set()
    names = {}
    codes = set()
    for code, stored, place in rows:
        text = visible(stored)
        by_pair.add((text, code))
        names.setdefault(place["name"], set()).add(code)    # before abbreviation
        names.setdefault(name_part(text), set()).add(code)
        names.setdefault(text, set()).add(code)
        codes.add(code)
    kinds = ["same text and code", "same name with a qualifier, same code",
             "name in the table, with other codes only", "code in the table, under other names",
             "code not in the table"]
    results = []
    examples = {}
    for label, name in (("CZ", GEONAMES_CZ), ("SK", GEONAMES_SK)):
        counts = dict.fromkeys(kinds, 0)
        pairs = set()
        for row in read_geonames(sources, name):
            code = row["code"].replace(" ", "")
            place = re.sub(r" - ", "-", row["place"].strip())
            pairs.add((place, code))
        for place, code in sorted(pairs):
            if (place, code) in by_pair:
                kind = kinds[0]
            elif code in names.get(place, set()):
                kind = kinds[1]
            elif place in names:
                kind = kinds[2]
            elif code in codes:
                kind = kinds[3]
            else:
                kind = kinds[4]
            counts[kind] += 1
            examples.setdefault((label, kind), []).append("%s %s" % (place, code))
        results.append((label, len(pairs), counts))
    out += table(["Kind"] + ["%s (%s pairs)" % (label, number(total)) for label, total, _ in results],
                 [[kind] + [number(counts[kind]) for _, _, counts in results] for kind in kinds])
    out.append("")
    for label, total, counts in results:
        found = counts[kinds[0]] + counts[kinds[1]]
        out.append("- GeoNames %s: the table has %s of %s pairs (%s)." % (
            label, number(found), number(total),
            "%.1f %%" % (100.0 * found / total) if total else "no pairs"))
    out.append("")
    out.append("Examples of each kind of difference:")
    out.append("")
    for label, _, _ in results:
        for kind in kinds[2:]:
            sample = examples.get((label, kind), [])[:8]
            if sample:
                out.append("- %s, %s: %s" % (label, kind, quoted(sample)))
    out.append("")
    out.append("GeoNames names quarters and numbered post offices in forms of its own "
               "(\"Praha 10-Vršovice\", \"Bratislava\" for every code of the capital) and "
               "keeps codes that the postal lists no longer give; those make up most of the "
               "differences.")
    out.append("")
    return out


def write_report(col, table_rows, shortened, sources, path):
    lines = ["# The postal directory: report", "",
             "Written by tools/make_directory.py from the Czech Post and Slovak Post lists "
             "(cz-post-obce-psc.csv; sk-post-obce.csv, sk-post-obce-viac-psc.csv, "
             "sk-obce-casti.csv, sk-post-ulice.csv) and the GeoNames postal code dumps "
             "(CC BY 4.0, attribution: GeoNames). Do not edit: run the tool again.", ""]
    lines += [
        "## What the table holds", "",
        "- Every municipality and every part of one, with the codes that the lists give it; the "
        "town districts of the Czech statutory cities (\"Brno-střed\", \"Slezská Ostrava\"); the "
        "numbered districts of Praha (\"Praha 1\" to \"Praha 22\"); the quarters of Brno, "
        "Ostrava and Plzeň also as City-Quarter (\"Ostrava-Poruba\"); the boroughs of Bratislava "
        "and Košice with their city (\"Petržalka (Bratislava)\"); the Slovak numbered post "
        "offices (\"Zvolen 1\"). One entry per distinct (text, code).",
        "- Names are written as the lists write them, with single blanks, no blank beside a "
        "hyphen and a blank after an ordinal's point; \"ö\" (\"Töböréte\") is kept, being part "
        "of an official Slovak name and a Windows-1250 letter.",
        "",
    ]
    rows = [(row["code"], row["stored"], row["place"]) for row in table_rows]
    lines += reading_section(col, table_rows)
    lines += figures(rows, shortened)
    lines += sources_section(col, rows)
    lines += left_out_section(col)
    lines += cross_check(rows, sources)
    with open(path, "w", encoding="utf-8", newline="\n") as handle:
        handle.write("\n".join(lines).rstrip("\n") + "\n")
