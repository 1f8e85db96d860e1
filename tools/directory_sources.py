"""Reading the official lists into places with their codes.

A place is one thing a user may look for: a municipality, a part of one, a
quarter of a city or a numbered post office.  Each place collects its codes
together with the lists and rows they come from, so that the report can say
how much of every list reaches the table.
"""

import csv
import os
import re

CZ_LIST = "cz-post-obce-psc.csv"
SK_MUNICIPALITIES = "sk-post-obce.csv"
SK_SEVERAL_CODES = "sk-post-obce-viac-psc.csv"
SK_PARTS = "sk-obce-casti.csv"
SK_STREETS = "sk-post-ulice.csv"
GEONAMES_CZ = "geonames-CZ.txt"
GEONAMES_SK = "geonames-SK.txt"
QUARTER_TABLE = "quarter table (reviewed, in the tool)"

OFFICIAL_LISTS = [CZ_LIST, SK_MUNICIPALITIES, SK_SEVERAL_CODES, SK_PARTS, SK_STREETS]

# Corrections of names that a list carries cut short or with a remark in the
# name itself; each is listed in the report.
SK_NAME_CORRECTIONS = {
    "Ješkova Ves n/Nitri": "Ješkova Ves nad Nitricou",
    "osada Kerepec (Krpec)": "Kerepec",
    "Polkanová (č.d.1,2,3)": "Polkanová",
    "Polkanová (ostatné čísla)": "Polkanová",
    "Geča č. 107-110": "Geča",
    "Záhorčie (MBD)": "Záhorčie",
    "Miestna časť Vrbovce nad Rimavou": "Vrbovce nad Rimavou",
}

# Quarters of Bratislava that neither the postal lists nor GeoNames tie to a
# code.  Each lists the codes of the quarter; the tool keeps only codes that
# the street list gives for Bratislava, so every code stays traceable.
BRATISLAVA_QUARTER_CODES = {
    "Staré Mesto": ["81101", "81102", "81103", "81104", "81105", "81106", "81107", "81108", "81109"],
    "Petržalka": ["85101", "85102", "85103", "85104", "85105", "85106", "85107"],
    "Ružinov": ["82101", "82102", "82103", "82104", "82105", "82108", "82109"],
    "Nové Mesto": ["83101", "83102", "83103", "83104"],
    "Rača": ["83106", "83151", "83152", "83153", "83154"],
    "Karlova Ves": ["84104", "84105"],
    "Dúbravka": ["84101", "84102"],
    "Devínska Nová Ves": ["84107", "84108"],
}

# The boroughs of the two cities whose codes go by street, by their official
# names; the sources give codes to most of them (see read_quarters).
BOROUGHS = {
    "Bratislava": ["Čunovo", "Devín", "Devínska Nová Ves", "Dúbravka", "Jarovce", "Karlova Ves",
                   "Lamač", "Nové Mesto", "Petržalka", "Podunajské Biskupice", "Rača", "Rusovce",
                   "Ružinov", "Staré Mesto", "Vajnory", "Vrakuňa", "Záhorská Bystrica"],
    "Košice": ["Barca", "Dargovských hrdinov", "Džungľa", "Juh", "Kavečany", "Košická Nová Ves",
               "Krásna", "Lorinčík", "Luník IX", "Myslava", "Nad jazerom", "Pereš", "Poľov",
               "Sever", "Sídlisko KVP", "Sídlisko Ťahanovce", "Staré Mesto", "Šaca",
               "Šebastovce", "Ťahanovce", "Vyšné Opátske", "Západ"],
}

# Whole names in the municipality list that carry their municipality in a
# remark; read as "Municipality - Part" or as the bare name.
SK_LONG_NAME_CORRECTIONS = {
    "Podjavorie (pri Lešti)": "Lešť - Podjavorie",
    "Podjavorie (pri Pliešovci)": "Podjavorie",
}

SPLIT_CITIES = ("Bratislava", "Košice")


def read_csv(folder, name, skip_lines=0):
    path = os.path.join(folder, name)
    with open(path, encoding="utf-8", newline="") as handle:
        lines = handle.read().splitlines()
    return list(csv.DictReader(lines[skip_lines:]))


def read_geonames(folder, name):
    rows = []
    with open(os.path.join(folder, name), encoding="utf-8", newline="") as handle:
        for line in handle.read().splitlines():
            fields = line.split("\t")
            if len(fields) >= 7:
                rows.append({"code": fields[1], "place": fields[2], "district": fields[5]})
    return rows


def clean(text):
    return re.sub(r"\s+", " ", text).strip()


def normal_name(col, source, name):
    """A place name in the table's form: single blanks, no blank beside a
    hyphen, a blank after an ordinal's point ("Brusné 1. díl")."""
    fixed = clean(name)
    fixed = re.sub(r" ?- ?", "-", fixed) if " - " in fixed or " -" in fixed or "- " in fixed \
        else fixed
    fixed = re.sub(r"([0-9])\.(?=[^\W\d_])", r"\1. ", fixed)
    if fixed != name and source is not None:
        col.normalised.append((source, name, fixed))
    return fixed


def fold_name(text):
    """Names that differ only in case, blanks or hyphens fold alike."""
    return re.sub(r"\s+", " ", text.casefold().replace("-", " ")).strip()


def five_digits(raw):
    """'985 13' or '98513' as '98513'; None for anything else."""
    text = raw.strip()
    if re.fullmatch(r"[0-9]{3} [0-9]{2}", text):
        return text.replace(" ", "")
    if re.fullmatch(r"[0-9]{5}", text):
        return text
    return None


def plausible_name(name):
    """False for values that are spreadsheet errors or not names at all."""
    return bool(name) and name[0].isalpha() and name[0].isupper() and "#" not in name \
        and "!" not in name


def sk_district(okres):
    """District label used in qualifiers: the district's town."""
    okres = clean(okres)
    okres = okres.replace("n.Váhom", "nad Váhom")
    if re.fullmatch(r"Bratislava [IV]+", okres):
        return "Bratislava"
    if re.fullmatch(r"Košice [IV]+", okres):
        return "Košice"
    return okres.replace(" - ", "-")


def cz_district(okres, municipality):
    """District label: its town; a city's own parts are qualified by the city."""
    if okres == "Hlavní město Praha":
        return "Praha"
    if okres.endswith("-město") and okres[:-len("-město")] == municipality:
        return municipality
    return okres


class Collector:
    """Places by identity, each with its codes and where they came from."""

    def __init__(self):
        self.places = {}
        self.left_out = []          # (list, row text, reason)
        self.notes = []             # (list, what, how it was read)
        self.normalised = []        # (list, name, table form)
        self.city_parts = []        # official parts of Bratislava and Košice
        self.boroughs_without_code = []  # (city, borough) that no source gives a code
        self.city_quarter_rows = []  # their quarters in the municipality list
        self.quarter_districts = {}  # quarter name -> district in the municipality list
        self.sk_parts_by_name = None  # filled when the parts list is read
        self.list_places = set()    # (name, municipality) of every place the lists name, folded
        self.contributions = {name: {} for name in OFFICIAL_LISTS}
        self.contributions[GEONAMES_SK] = {}
        self.contributions[QUARTER_TABLE] = {}

    def place(self, key, name, country, kind, district, municipality, principal=False):
        entry = self.places.get(key)
        if entry is None:
            name = normal_name(self, country, name)
            entry = {"key": key, "name": name, "country": country, "kind": kind,
                     "district": district, "municipality": municipality,
                     "principal": principal, "codes": {},
                     # A place made of parts: each part's codes, and the codes of
                     # the part that bears the place's own name.
                     "parts": {}, "own": set()}
            self.places[key] = entry
        entry["principal"] = entry["principal"] or principal
        return entry

    def add_code(self, entry, code, source, source_pair):
        entry["codes"].setdefault(code, set()).add(source)
        self.contributions[source].setdefault(source_pair, set()).add((entry["key"], code))

    def add_part_code(self, whole, part_name, code):
        """Records that `code` serves the part `part_name` of a place made of
        parts (the whole's own name counts as its own part)."""
        part_name = None if part_name is None else normal_name(self, None, part_name)
        if part_name is not None and fold_name(part_name) == fold_name(whole["name"]):
            whole.setdefault("own_by_same_name", set()).add(code)
        if part_name is None or fold_name(part_name) == fold_name(whole["name"]) \
                or fold_name("%s-%s" % (whole["municipality"], part_name)) == fold_name(whole["name"]):
            whole["own"].add(code)
        else:
            whole["parts"].setdefault(part_name, set()).add(code)

    def list_place(self, name, municipality):
        """A place as some list names it: its name and its municipality."""
        self.list_places.add((fold_name(normal_name(self, None, name)),
                              fold_name(normal_name(self, None, municipality))))

    def leave_out(self, source, row, reason):
        self.left_out.append((source, row, reason))


def read_czech(folder, col):
    rows = read_csv(folder, CZ_LIST)
    praha_rows = []
    # Town districts ("Brno-střed", "Slezská Ostrava") by municipality, so that
    # the customary City-Quarter form is made only where no district bears it.
    district_names = {}
    for row in rows:
        if row["nazmomc"]:
            district_names.setdefault(row["kodobce"], set()).add(fold_name(clean(row["nazmomc"])))
    for number, row in enumerate(rows, start=2):
        part, municipality = clean(row["nazcobce"]), clean(row["nazobce"])
        code = five_digits(row["psc"])
        text = "%s, %s, %s" % (part, municipality, row["psc"])
        if code is None:
            col.leave_out(CZ_LIST, "line %d: %s" % (number, text), "code is not five digits")
            continue
        if not plausible_name(part) or not plausible_name(municipality):
            col.leave_out(CZ_LIST, "line %d: %s" % (number, text), "not a place name")
            continue
        col.list_place(part, municipality)
        col.list_place(municipality, municipality)
        district = cz_district(clean(row["nazokresu"]), municipality)
        mkey = ("CZ", row["kodobce"])
        town = col.place(mkey, normal_name(col, CZ_LIST, municipality), "CZ", "municipality",
                         district, municipality,
                         principal=(municipality == district))
        pair = (part, municipality, code)
        col.add_code(town, code, CZ_LIST, pair)
        if part != municipality:
            # "Liberec XXX-Vratislavice nad Nisou": a numbered quarter goes by
            # its own name where the whole would not fit.
            numbered = re.fullmatch(re.escape(municipality) + r" [IVXL]+-(.+)", part)
            name = numbered.group(1) if numbered and len(part) > 27 else part
            piece = col.place(("CZ", row["kodobce"], part), normal_name(col, CZ_LIST, name), "CZ",
                              "part", district, municipality)
            piece["whole"] = mkey
            piece["names_place"] = (normal_name(col, None, part), municipality)
            col.add_code(piece, code, CZ_LIST, pair)
            col.add_part_code(town, piece["name"], code)
            alias_name = "%s-%s" % (municipality, part)
            if row["nazmomc"] and municipality in ("Brno", "Ostrava", "Plzeň") \
                    and not part.startswith(municipality) \
                    and fold_name(alias_name) not in district_names.get(row["kodobce"], set()):
                # The customary "City-Quarter" form beside the quarter's own name.
                alias = col.place(("CZ", row["kodobce"], part, "city form"), alias_name, "CZ",
                                  "city quarter", district, municipality)
                alias["names_place"] = (part, municipality)
                col.add_code(alias, code, CZ_LIST, pair)
        else:
            col.add_part_code(town, None, code)
        quarter = clean(row["nazmomc"])
        if quarter and municipality != "Praha" and "nečleněn" not in quarter:
            add_town_district(col, row, quarter, part, code, pair)
        if municipality == "Praha":
            praha_rows.append((row["kodcobce"], quarter, clean(row["nazpobvod"]),
                               code, pair))
            if quarter.startswith("Praha-"):
                add_town_district(col, row, quarter, part, code, pair)

    add_praha_districts(col, praha_rows)


def add_town_district(col, row, quarter, part, code, pair):
    """A district of a statutory city ("Brno-střed", "Slezská Ostrava") with
    the codes of its parts."""
    municipality = clean(row["nazobce"])
    col.list_place(quarter, municipality)
    district = col.place(("CZ", row["kodobce"], "district", quarter),
                         normal_name(col, CZ_LIST, quarter), "CZ", "town district",
                         cz_district(clean(row["nazokresu"]), municipality), municipality)
    district["whole"] = ("CZ", row["kodobce"])
    col.add_code(district, code, CZ_LIST, pair)
    col.add_part_code(district, part, code)


def add_praha_districts(col, praha_rows):
    """The numbered districts of Praha: "Praha 1" to "Praha 22".

    The list gives a part every district it reaches with every code of the
    part, so a code is taken only where it fits: for Praha 1 to 10 (the
    postal districts) a code whose second digit is the district's number
    (11000 for Praha 1, 10000 for Praha 10); for Praha 11 to 22 the codes of
    the parts that lie wholly in the district, or, where none does, the codes
    of its parts that fit their postal district.  Each code keeps the parts
    it serves there.
    """
    def fits(code, postal_district):
        number = re.fullmatch(r"Praha ([0-9]+)", postal_district)
        return number is not None and code[1] == str(int(number.group(1)) % 10)

    districts_of_part = {}
    for part, quarter, _, _, _ in praha_rows:
        districts_of_part.setdefault(part, set()).add(quarter)
    chosen = {}
    for part, quarter, postal, code, pair in praha_rows:
        if re.fullmatch(r"Praha (10|[1-9])", postal) and fits(code, postal):
            chosen.setdefault(postal, {}).setdefault(code, []).append(pair)
    loose = {}
    for part, quarter, postal, code, pair in praha_rows:
        number = re.fullmatch(r"Praha ([0-9]+)", quarter)
        if number is None or int(number.group(1)) <= 10:
            continue
        if districts_of_part[part] == {quarter}:
            chosen.setdefault(quarter, {}).setdefault(code, []).append(pair)
        elif fits(code, postal):
            loose.setdefault(quarter, {}).setdefault(code, []).append(pair)
    for quarter, codes in loose.items():
        if quarter not in chosen:
            chosen[quarter] = codes
    for quarter, codes in sorted(chosen.items()):
        col.list_place(quarter, "Praha")
        numbered = col.place(("CZ", "Praha", quarter), quarter, "CZ", "city district",
                             "Praha", "Praha")
        for code, pairs in sorted(codes.items()):
            for pair in sorted(set(pairs)):
                col.add_code(numbered, code, CZ_LIST, pair)
                col.add_part_code(numbered, pair[0], code)


def split_long_name(long_name):
    """'Abramová - Laclavá' as ('Abramová', 'Laclavá'); a municipality alone as (name, None)."""
    long_name = clean(long_name).split(", ")[0]     # "Riečka, ulica Nevoľné"
    long_name = SK_LONG_NAME_CORRECTIONS.get(long_name, long_name)
    if " - " in long_name:
        municipality, part = long_name.split(" - ", 1)
        if part[:1].islower() and part not in SK_NAME_CORRECTIONS:
            # "Sliač - kúpele": the spa of Sliač, one name (it need not lie
            # in the municipality it is named after).
            return "%s-%s" % (municipality, part), None
    else:
        municipality, part = long_name, None
    return without_remark(municipality), part


def without_remark(municipality):
    return re.sub(r" \(vojenský obvod\)$", "", municipality)


def corrected(col, source, name):
    fixed = SK_NAME_CORRECTIONS.get(name)
    if fixed is None:
        return name
    col.notes.append((source, name, "read as \"%s\"" % fixed))
    return fixed


def numbered_office(name):
    match = re.fullmatch(r"(.*[^0-9 ]) ([0-9]{1,3})", clean(name))
    if not match or not plausible_name(match.group(1)[:1].upper()):
        return None
    town = re.sub(r" ?- ?", "-", match.group(1)) if " - " in match.group(1) else match.group(1)
    return town[0].upper() + town[1:] + " " + match.group(2)


def office_of(col, source, row):
    """The post office of a row: its full name where the list gives one (the
    short column abbreviates, and once names another office)."""
    full, short = clean(row.get("Dlhy_Nazov_Posta", "")), clean(row["Posta"])
    if full and numbered_office(full) and numbered_office(short) \
            and full.rsplit(" ", 1)[1] != short.rsplit(" ", 1)[1]:
        col.notes.append((source, "%s %s" % (short, row["PSC"]),
                          "the full name says %s; taken as %s" % (full, full)))
    return full or short


def add_office(col, office_name, district, code, source, pair, raw_name):
    name = numbered_office(office_name)
    if name is None:
        return
    if name != clean(raw_name):
        col.notes.append((source, raw_name, "read as \"%s\"" % name))
    town = name.rsplit(" ", 1)[0]
    col.list_place(name, town)
    office = col.place(("SK", "office", name), name, "SK", "post office", district, town)
    col.add_code(office, code, source, pair)


def read_slovak(folder, col):
    municipalities = read_csv(folder, SK_MUNICIPALITIES)
    several = read_csv(folder, SK_SEVERAL_CODES)
    parts = read_csv(folder, SK_PARTS, skip_lines=1)
    streets = read_csv(folder, SK_STREETS)
    geonames = geonames_codes(folder)

    # Municipality keys by name, so that the other lists find them whatever
    # form of the district they write.
    keys_by_name = {}

    def municipality_place(name, okres):
        district = sk_district(okres)
        key = ("SK", district, name)
        keys_by_name.setdefault(name, set()).add(key)
        return col.place(key, name, "SK", "municipality", district, name,
                         principal=(name == district))

    def part_place(town, part):
        key = ("SK", town["district"], town["name"], part)
        piece = col.place(key, part, "SK", "part", town["district"], town["name"])
        piece["whole"] = town["key"]
        return piece

    # The official parts, folded, by municipality; and the municipalities
    # that have parts.
    official_parts = {}
    for row in parts:
        name = clean(row["Názov Miestnej časti"])
        if plausible_name(name):
            official_parts.setdefault(fold_name(name), set()).add(
                without_remark(clean(row["Názov Obce"])))
            col.list_place(name, without_remark(clean(row["Názov Obce"])))
            col.list_place(without_remark(clean(row["Názov Obce"])), without_remark(clean(row["Názov Obce"])))
    parts_by_name = {}
    for row in parts:
        parts_by_name.setdefault(fold_name(clean(row["Názov Miestnej časti"])), []).append(
            (without_remark(clean(row["Názov Obce"])), row["Okres"]))
    municipality_names = set()
    own_codes = {}      # municipality -> codes of its own rows
    for row in municipalities:
        if " - " not in row["Dlhy_Nazov_Obec"]:
            municipality_names.add((fold_name(clean(row["Obec"])), row["Okres"]))
            if five_digits(row["PSC"]):
                own_codes.setdefault(clean(row["Obec"]), set()).add(five_digits(row["PSC"]))
    for row in several:
        if five_digits(row["PSC"]):
            own_codes.setdefault(clean(row["Obec"]).split(" - ")[0], set()).add(five_digits(row["PSC"]))

    # Streets: codes of the towns whose codes go by street, and the numbered
    # post offices named there.
    street_codes = {}
    for number, row in enumerate(streets, start=2):
        code = five_digits(row["PSC"])
        town = clean(row["Obec"])
        if code is None:
            col.leave_out(SK_STREETS, "line %d: %s, %s (%s)" % (number, clean(row["Ulica"]), town,
                                                             clean(row["Poznamka"]) or "no code"),
                          "street without a code (a cross-reference to another street)")
            continue
        street_codes.setdefault(town, []).append((code, office_of(col, SK_STREETS, row),
                                                  clean(row["Ulica"])))

    street_district = {}
    for row in municipalities:
        street_district.setdefault(clean(row["Obec"]), row["Okres"])

    for town, items in sorted(street_codes.items()):
        okres = street_district.get(town)
        if okres is None:
            continue
        for code, office, _ in items:
            add_office(col, office, sk_district(okres), code, SK_STREETS, (office.lower(), code), office)

    # Districts of the municipalities, so that a part listed under another
    # district ("Vysoké Tatry - Podbanské", Liptovský Mikuláš) still joins
    # its own municipality.
    municipality_districts = {}
    for row in municipalities:
        municipality, part = split_long_name(row["Dlhy_Nazov_Obec"])
        if part is None:
            municipality_districts.setdefault(municipality, set()).add(row["Okres"])

    referred = set()    # (municipality, part) rows that send the reader to another place

    # Municipalities and their parts with a code each.
    for number, row in enumerate(municipalities, start=2):
        long_name = clean(row["Dlhy_Nazov_Obec"])
        municipality, part = split_long_name(long_name)
        municipality, part = read_double_name(col, long_name, row["Okres"], five_digits(row["PSC"]),
                                              municipality, part, official_parts,
                                              municipality_names, own_codes)
        read_as = municipality if part is None else "%s - %s" % (municipality, part)
        if read_as != long_name and (", " in long_name or long_name in SK_LONG_NAME_CORRECTIONS):
            col.notes.append((SK_MUNICIPALITIES, long_name, "read as \"%s\"" % read_as))
        if part is not None:
            part = corrected(col, SK_MUNICIPALITIES, part)
        else:
            municipality = corrected(col, SK_MUNICIPALITIES, municipality)
        okres = row["Okres"]
        districts = municipality_districts.get(municipality, set())
        if part is not None and okres not in districts and len(districts) == 1:
            okres = next(iter(districts))
        if not plausible_name(municipality) or (part is not None and not plausible_name(part)):
            col.leave_out(SK_MUNICIPALITIES, "line %d: %s" % (number, long_name), "not a place name")
            continue
        if part is None and long_name != municipality and "(" in long_name:
            col.notes.append((SK_MUNICIPALITIES, long_name, "read as \"%s\"" % municipality))
        code = five_digits(row["PSC"])
        if part is None and code is not None:
            host = part_of_another(municipality, okres, code, official_parts, own_codes,
                                   parts_by_name)
            if host is not None:
                # "Gregorovce" under Revúca: the parts list's part of Vyšné
                # Valice with that municipality's code, not a second municipality.
                col.notes.append((SK_MUNICIPALITIES, "%s (%s) %s" % (long_name, clean(okres), row["PSC"]),
                                  "read as the part %s of %s, which has that code" % (
                                      municipality, host["name"])))
                municipality, part, okres = host["name"], municipality, host["okres"]
        town = municipality_place(municipality, okres)
        list_places_of_row(col, long_name, municipality_names)
        target = town if part is None or part == municipality else part_place(town, part)
        pair = (long_name, row["PSC"])
        if code is not None:
            if clean(row["PSC"]) != code[:3] + " " + code[3:]:
                col.notes.append((SK_MUNICIPALITIES, "%s %s" % (long_name, row["PSC"]),
                                  "code read as %s" % code))
            col.add_code(target, code, SK_MUNICIPALITIES, pair)
            if target is not town:
                col.add_code(town, code, SK_MUNICIPALITIES, pair)
            col.add_part_code(town, None if target is town else part, code)
            office = office_of(col, SK_MUNICIPALITIES, row)
            add_office(col, office, town["district"], code, SK_MUNICIPALITIES,
                       (office.lower(), code), office)
            continue
        remark = clean(row["Posta"])
        long_remark = clean(row.get("Dlhy_Nazov_Posta", ""))
        if remark.startswith("Pozri") and municipality in SPLIT_CITIES and part is not None:
            col.quarter_districts[part] = clean(row["Okres"])
            col.city_quarter_rows.append((number, long_name, municipality, part))
            continue    # quarters of Bratislava and Košice: see read_quarters
        if remark.startswith("Pozri") and part is not None and part in long_remark:
            referred.add((municipality, part))
            col.leave_out(SK_MUNICIPALITIES, "line %d: %s" % (number, long_name),
                          "refers to the same place under another municipality (%s)" % long_remark)
            continue
        if remark.startswith("Pozri"):
            town["street_town"] = True
            if part is None:
                found = [(c, o, s) for c, o, s in street_codes.get(clean(row["Obec"]), [])]
                for c, _, _ in found:
                    col.add_code(town, c, SK_MUNICIPALITIES, pair)
                    col.add_code(town, c, SK_STREETS, (municipality, c))
                    col.add_part_code(town, None, c)
            else:
                found = codes_by_name(part, municipality, street_codes, geonames,
                                      within={c for c, _, _ in street_codes.get(municipality, [])})
                for c, source in found:
                    col.add_code(target, c, SK_MUNICIPALITIES, pair)
                    col.add_code(target, c, source, (part, c))
                    col.add_code(town, c, SK_MUNICIPALITIES, pair)
                    col.add_part_code(town, part, c)
            if not found:
                col.leave_out(SK_MUNICIPALITIES, "line %d: %s" % (number, long_name),
                              "codes go by street, and no source gives this place a code by its name")
            continue
        if remark.startswith("viď detail"):
            continue    # codes come from the list of municipalities with several codes
        col.leave_out(SK_MUNICIPALITIES, "line %d: %s" % (number, long_name), "no code")

    # Municipalities with several codes, and the local names each code serves.
    for number, row in enumerate(several, start=2):
        municipality = clean(row["Obec"])
        local_in_name = None
        if " - " in municipality:
            municipality, local_in_name = municipality.split(" - ", 1)
            local_in_name = re.sub(r"^časť ", "", local_in_name)
        code = five_digits(row["PSC"])
        if code is None:
            col.leave_out(SK_SEVERAL_CODES, "line %d: %s %s" % (number, municipality, row["PSC"]),
                          "code is not five digits")
            continue
        if row["PSC"].strip() != code[:3] + " " + code[3:]:
            col.notes.append((SK_SEVERAL_CODES, "%s %s" % (municipality, row["PSC"]),
                              "code read as %s" % code))
        keys = keys_by_name.get(municipality, set())
        okres = row["Okres"]
        if len(keys) == 1:
            town = col.places[next(iter(keys))]
        else:
            town = municipality_place(municipality, okres)
        col.list_place(municipality, municipality)
        pair = (clean(row["Obec"]), row["Miestne_Pomenovanie"].strip(), code)
        col.add_code(town, code, SK_SEVERAL_CODES, pair)
        town["several_codes"] = True
        add_office(col, row["Posta"], town["district"], code, SK_SEVERAL_CODES,
                   (row["Posta"].lower(), code), row["Posta"])
        locals_ = []
        if local_in_name:
            locals_.append(local_in_name)
        for name in row["Miestne_Pomenovanie"].split(","):
            name = clean(name)
            if name.startswith(municipality + " - "):
                name = name[len(municipality) + 3:]
            if name:
                locals_.append(corrected(col, SK_SEVERAL_CODES, name))
        locals_ = [name for name in locals_ if name != municipality]
        if not locals_:
            col.add_part_code(town, None, code)
        for name in locals_:
            col.list_place(name, municipality)
            piece = part_place(town, name)
            col.add_code(piece, code, SK_SEVERAL_CODES, pair)
            col.add_part_code(town, name, code)

    # Official parts: the municipality's code where it has one; where it has
    # several or its codes go by street, only a code that a source gives the
    # part by its name.
    for number, row in enumerate(parts, start=3):
        municipality = without_remark(clean(row["Názov Obce"]))
        part = clean(row["Názov Miestnej časti"])
        text = "line %d: %s, %s" % (number, part, municipality)
        if not plausible_name(part):
            col.leave_out(SK_PARTS, text, "not a place name (spreadsheet error %s)" % part
                          if "#" in part else "not a place name")
            continue
        if municipality in SPLIT_CITIES:
            col.city_parts.append((number, row))    # quarters: see read_quarters
            continue
        keys = keys_by_name.get(municipality, set())
        wanted = ("SK", sk_district(row["Okres"]), municipality)
        key = wanted if wanted in keys else (next(iter(keys)) if len(keys) == 1 else None)
        if key is None or not col.places[key]["codes"]:
            if (municipality, part) in referred:
                same = same_part_elsewhere(col, part, municipality)
                if same is not None:
                    for code in sorted(same["codes"]):
                        col.add_code(same, code, SK_PARTS, (part, municipality))
                    continue
            col.leave_out(SK_PARTS, text, "municipality not found in the postal lists")
            continue
        town = col.places[key]
        pair = (part, municipality)
        if part == municipality:
            for code in town["codes"]:
                col.add_code(town, code, SK_PARTS, pair)
            continue
        piece = col.places.get(("SK", key[1], municipality, part))
        standalone = col.places.get(("SK", key[1], part))
        if piece is None and standalone is not None and standalone["codes"] \
                and set(standalone["codes"]) & set(town["codes"]):
            # The municipality list names some parts without their
            # municipality; same district and same code: the same place.
            standalone["kind"], standalone["municipality"] = "part", municipality
            standalone["principal"] = False
            standalone["whole"] = town["key"]
            for code in standalone["codes"]:
                col.add_part_code(town, part, code)
            piece = standalone
        if piece is None or not piece["codes"]:
            same = same_part_elsewhere(col, part, municipality, town["codes"])
            if same is not None:
                # One place that the parts list names under two municipalities
                # ("Podbanské"): it stands once, where the postal list puts it.
                for code in sorted(same["codes"]):
                    col.add_code(same, code, SK_PARTS, pair)
                continue
        if piece is not None and piece["codes"]:
            for code in list(piece["codes"]):
                col.add_code(piece, code, SK_PARTS, pair)
            continue
        if len(town["codes"]) == 1 and not town.get("street_town"):
            codes = [(code, SK_PARTS) for code in town["codes"]]
        else:
            codes = codes_by_name(part, municipality, street_codes, geonames,
                                  within=set(town["codes"]))
        if not codes:
            col.leave_out(SK_PARTS, text, "the municipality has several codes, and no source "
                                          "gives this part one by its name")
            continue
        piece = part_place(town, part)
        for code, source in codes:
            col.add_code(piece, code, SK_PARTS, pair)
            if source != SK_PARTS:
                col.add_code(piece, code, source, (part, code))
            col.add_part_code(town, part, code)

    return street_codes


def list_places_of_row(col, long_name, municipality_names):
    """The places that a municipality-list row names as written: a
    municipality, or "Municipality - Part" where the municipality is one."""
    long_name = SK_LONG_NAME_CORRECTIONS.get(long_name, long_name)
    if " - " not in long_name:
        name = SK_NAME_CORRECTIONS.get(long_name, long_name)
        name = without_remark(re.sub(r" \(.*\)$", "", name.split(", ")[0]))
        col.list_place(name, name)
        return
    municipality, part = [clean(x) for x in long_name.split(" - ", 1)]
    if any(fold_name(municipality) == name for name, _ in municipality_names):
        col.list_place(SK_NAME_CORRECTIONS.get(part, part), municipality)
        joined = "%s-%s" % (municipality, part)
        col.list_place(joined, joined)


def read_double_name(col, long_name, okres, code, municipality, part, official_parts,
                     municipality_names, own_codes):
    """Reads "Municipality - Part" against the parts list, where the first
    name is no municipality of the district or the two make one name:

    - a double-barrelled place that the list writes in both orders is the
      one part or municipality that the official lists name with a hyphen
      ("Vieska-Bezdedov", a part of Púchov; "Krivosúd-Bodovka");
    - "Lieskov - Podskalie": the part of the municipality of the district
      whose name holds the first name and whose codes hold the row's code
      (Dolný Lieskov), or the municipality that the second name is.
    """
    if part is None or " - " not in long_name:
        return municipality, part
    first, second = [clean(x) for x in long_name.split(" - ", 1)]
    first_is_municipality = (fold_name(first), okres) in municipality_names
    for joined in ("%s-%s" % (first, second), "%s-%s" % (second, first)):
        hosts = official_parts.get(fold_name(joined), set())
        if len(hosts) == 1 and (not first_is_municipality or next(iter(hosts)) == first):
            host = next(iter(hosts))
            col.notes.append((SK_MUNICIPALITIES, long_name,
                              "read as \"%s - %s\" (the parts list's name)" % (host, joined)))
            return host, joined
        if (fold_name(joined), okres) in municipality_names and not first_is_municipality:
            col.notes.append((SK_MUNICIPALITIES, long_name,
                              "read as \"%s\" (the municipality's name)" % joined))
            return joined, None
    if first_is_municipality:
        return municipality, part
    if (fold_name(second), okres) in municipality_names:
        col.notes.append((SK_MUNICIPALITIES, long_name, "read as \"%s\" (a municipality of "
                                                        "the district)" % second))
        return second, None
    hosts = sorted(name for (name_folded, district) in municipality_names
                   for name in [name_folded] if district == okres
                   and fold_name(first) in name.split() and name != fold_name(first))
    hosts = [name for name, codes in own_codes.items()
             if fold_name(name) in hosts and code in codes]
    if len(hosts) == 1:
        col.notes.append((SK_MUNICIPALITIES, long_name,
                          "read as \"%s - %s\" (the municipality of the district with "
                          "that name and code)" % (hosts[0], second)))
        return hosts[0], second
    return municipality, part


def part_of_another(name, okres, code, official_parts, own_codes, parts):
    """The municipality whose official part a municipality-list row names
    under another district, where the row's code is that municipality's
    ({"name", "okres"}; None when it is not so).  `parts` maps a folded part
    name to its (municipality, district) rows of the parts list."""
    for host, host_okres in parts.get(fold_name(name), ()):
        if host != name and host_okres != okres and code in own_codes.get(host, set()):
            return {"name": host, "okres": host_okres}
    return None


def same_part_elsewhere(col, part, municipality, codes=None):
    """A Slovak part of this name under another municipality, with a code of
    the postal lists (and one of `codes`, where given)."""
    if col.sk_parts_by_name is None:
        col.sk_parts_by_name = {}
        for key in sorted(col.places, key=repr):
            place = col.places[key]
            if place["country"] == "SK" and place["kind"] == "part":
                col.sk_parts_by_name.setdefault(place["name"], []).append(place)
    for place in col.sk_parts_by_name.get(part, ()):
        if place["municipality"] != municipality and place["codes"] \
                and (codes is None or set(place["codes"]) & set(codes)):
            return place
    return None


def geonames_codes(folder):
    """GeoNames SK: codes by place name (folded)."""
    codes = {}
    for row in read_geonames(folder, GEONAMES_SK):
        code = five_digits(row["code"])
        if code is not None:
            codes.setdefault(fold_name(clean(row["place"])), set()).add(code)
    return codes


def codes_by_name(part, municipality, street_codes, geonames, within):
    """Codes that a source gives a part by its name: its own post office or a
    street of its name in the street list, or GeoNames naming it.  Returns
    (code, source) pairs, limited to `within` (the municipality's codes)."""
    found = sorted({(c, SK_STREETS) for c, o, s in street_codes.get(municipality, [])
                    if fold_name(part) in (fold_name(re.sub(r" [0-9]+$", "", o)) if o != municipality
                                           else "", fold_name(s))})
    if not found:
        found = sorted((c, GEONAMES_SK) for c in geonames.get(fold_name(part), set()))
    return [(c, s) for c, s in found if c in within]


def read_quarters(folder, col, street_codes):
    """Quarters (boroughs) of Bratislava and Košice, whose codes go by street.

    GeoNames names many quarters with their codes; the street list's remarks
    name a few more ("Devínska Nová Ves" beside a street of 841 08); the rest
    of Bratislava's come from the tool's reviewed table.  Only codes that the
    street list gives for the city are taken; a borough that no source gives
    a code is named in the report.
    """
    city_codes = {city: {code for code, _, _ in street_codes.get(city, [])} for city in SPLIT_CITIES}

    def quarter_place(city, name):
        col.list_place(name, city)
        quarter = col.place(("SK", city, city, name), name, "SK", "city quarter", city, city)
        quarter["kind"], quarter["whole"] = "city quarter", ("SK", city, city)
        return quarter

    for row in read_geonames(folder, GEONAMES_SK):
        district = row["district"]
        city = next((c for c in SPLIT_CITIES if re.fullmatch(c + r" [IV]+", district)), None)
        name = clean(row["place"])
        if city is None or name == city:
            continue
        code = five_digits(row["code"])
        pair = (name, row["code"])
        if code not in city_codes[city]:
            col.leave_out(GEONAMES_SK, "%s %s (%s)" % (name, row["code"], district),
                          "quarter's code not in the street list of %s" % city)
            continue
        col.add_code(quarter_place(city, name), code, GEONAMES_SK, pair)
    for number, row in enumerate(read_csv(folder, SK_STREETS), start=2):
        city, remark, code = clean(row["Obec"]), clean(row["Poznamka"]), five_digits(row["PSC"])
        named = re.sub(r"^(časť |%s[ -])" % re.escape(city), "", remark) if city in SPLIT_CITIES else ""
        named = re.sub(r" \(.*\)$", "", named)
        if code and named and fold_name(named) in {fold_name(b) for b in BOROUGHS[city]}:
            quarter = quarter_place(city, next(b for b in BOROUGHS[city]
                                               if fold_name(b) == fold_name(named)))
            col.add_code(quarter, code, SK_STREETS, (remark, code))
            col.notes.append((SK_STREETS, "line %d: %s %s (%s)" % (number, clean(row["Ulica"]),
                                                                    row["PSC"], remark),
                              "the remark names the borough %s" % quarter["name"]))
    for name, codes in sorted(BRATISLAVA_QUARTER_CODES.items()):
        quarter = quarter_place("Bratislava", name)
        for code in codes:
            if code not in city_codes["Bratislava"]:
                col.leave_out(QUARTER_TABLE, "%s %s" % (name, code),
                              "code not in the street list of Bratislava")
                continue
            col.add_code(quarter, code, QUARTER_TABLE, (name, code))
    for number, long_name, city, part in col.city_quarter_rows:
        quarter = col.places.get(("SK", city, city, part))
        if quarter is None or not quarter["codes"]:
            col.leave_out(SK_MUNICIPALITIES, "line %d: %s" % (number, long_name),
                          "quarter with no code in any list")
            continue
        for code in sorted(quarter["codes"]):
            col.add_code(quarter, code, SK_MUNICIPALITIES, (long_name, "street list"))
    for number, row in col.city_parts:
        city, part = clean(row["Názov Obce"]), clean(row["Názov Miestnej časti"])
        quarter = col.places.get(("SK", city, city, part))
        if quarter is None or not quarter["codes"]:
            col.leave_out(SK_PARTS, "line %d: %s, %s" % (number, part, city),
                          "quarter with no code in any list")
            continue
        listed = col.quarter_districts.get(part)
        if listed and clean(row["Okres"]) != listed:
            col.notes.append((SK_PARTS, "line %d: %s, %s" % (number, part, city),
                              "gives the district %s, the municipality list %s"
                              % (clean(row["Okres"]), listed)))
        for code in sorted(quarter["codes"]):
            col.add_code(quarter, code, SK_PARTS, (part, city))
    for city in SPLIT_CITIES:
        for borough in BOROUGHS[city]:
            quarter = col.places.get(("SK", city, city, borough))
            if quarter is None or not quarter["codes"]:
                col.boroughs_without_code.append((city, borough))
        whole = col.places.get(("SK", city, city))
        if whole is None:
            continue
        for key, place in sorted(col.places.items(), key=lambda item: repr(item[0])):
            if place.get("whole") == whole["key"]:
                for code in place["codes"]:
                    col.add_part_code(whole, place["name"], code)


def settle_wholes(col):
    """The codes that a town's bare row keeps, and the codes of its numbered
    post offices.

    A town whose codes go by street keeps on its bare row the codes that no
    part of it has by name.  A numbered post office keeps the codes of its
    own town (not of the villages it delivers to), each with the parts of
    the town that the code serves.
    """
    towns = {}
    for place in col.places.values():
        if place["country"] == "SK" and place["kind"] == "municipality":
            towns.setdefault(place["name"], []).append(place)
    for place in col.places.values():
        if place.get("street_town") or place["name"] in SPLIT_CITIES and place["kind"] == "municipality":
            named = set().union(*place["parts"].values()) if place["parts"] else set()
            place["own"] = set(place["codes"]) - named
    for key in sorted(col.places, key=repr):
        office = col.places[key]
        if office["kind"] != "post office":
            continue
        homes = [t for t in towns.get(office["municipality"], []) if set(t["codes"]) & set(office["codes"])]
        if len(homes) != 1:
            continue
        home = homes[0]
        for code in sorted(set(office["codes"]) - set(home["codes"])):
            col.notes.append(("post offices", "%s %s" % (office["name"], code),
                              "a code of a place that the office delivers to, not of %s: "
                              "it stands with that place" % home["name"]))
            del office["codes"][code]
        office["whole"] = home["key"]
        for code in office["codes"]:
            served = sorted(name for name, codes in home["parts"].items() if code in codes)
            if not served or code in home["own"]:
                col.add_part_code(office, None, code)
            for name in served:
                col.add_part_code(office, name, code)


def read_all(folder):
    col = Collector()
    read_czech(folder, col)
    street_codes = read_slovak(folder, col)
    read_quarters(folder, col, street_codes)
    settle_wholes(col)
    return col
