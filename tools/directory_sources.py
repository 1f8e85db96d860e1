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
    "Devínska Nová Ves": ["84107"],
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
    if fixed != name:
        col.normalised.append((source, name, fixed))
    return fixed


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
        self.city_quarter_rows = []  # their quarters in the municipality list
        self.quarter_districts = {}  # quarter name -> district in the municipality list
        self.contributions = {name: {} for name in OFFICIAL_LISTS}
        self.contributions[GEONAMES_SK] = {}
        self.contributions[QUARTER_TABLE] = {}

    def place(self, key, name, country, kind, district, municipality, principal=False):
        entry = self.places.get(key)
        if entry is None:
            name = normal_name(self, country, name)
            entry = {"key": key, "name": name, "country": country, "kind": kind,
                     "district": district, "municipality": municipality,
                     "principal": principal, "codes": {}}
            self.places[key] = entry
        entry["principal"] = entry["principal"] or principal
        return entry

    def add_code(self, entry, code, source, source_pair):
        entry["codes"].setdefault(code, set()).add(source)
        self.contributions[source].setdefault(source_pair, set()).add((entry["key"], code))

    def leave_out(self, source, row, reason):
        self.left_out.append((source, row, reason))


def read_czech(folder, col):
    rows = read_csv(folder, CZ_LIST)
    praha_rows = []
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
            col.add_code(piece, code, CZ_LIST, pair)
            if row["nazmomc"] and municipality in ("Brno", "Ostrava", "Plzeň") \
                    and not part.startswith(municipality):
                # The customary "City-Quarter" form beside the quarter's own name.
                alias = col.place(("CZ", row["kodobce"], part, "city form"),
                                  "%s-%s" % (municipality, part), "CZ", "city quarter",
                                  district, municipality)
                col.add_code(alias, code, CZ_LIST, pair)
        if municipality == "Praha":
            praha_rows.append((row["kodcobce"], clean(row["nazmomc"]), clean(row["nazpobvod"]),
                               code, pair))

    add_praha_districts(col, praha_rows)


def add_praha_districts(col, praha_rows):
    """The numbered districts of Praha: "Praha 1" to "Praha 22".

    The list gives a part every district it reaches with every code of the
    part, so a code is taken only where it fits: for Praha 1 to 10 (the
    postal districts) a code whose second digit is the district's number
    (11000 for Praha 1, 10000 for Praha 10); for Praha 11 to 22 the codes of
    the parts that lie wholly in the district, or, where none does, the codes
    of its parts that fit their postal district.
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
            chosen.setdefault(postal, {}).setdefault(code, pair)
    loose = {}
    for part, quarter, postal, code, pair in praha_rows:
        number = re.fullmatch(r"Praha ([0-9]+)", quarter)
        if number is None or int(number.group(1)) <= 10:
            continue
        if districts_of_part[part] == {quarter}:
            chosen.setdefault(quarter, {}).setdefault(code, pair)
        elif fits(code, postal):
            loose.setdefault(quarter, {}).setdefault(code, pair)
    for quarter, codes in loose.items():
        if quarter not in chosen:
            chosen[quarter] = codes
    for quarter, codes in sorted(chosen.items()):
        numbered = col.place(("CZ", "Praha", quarter), quarter, "CZ", "city district",
                             "Praha", "Praha")
        for code, pair in sorted(codes.items()):
            col.add_code(numbered, code, CZ_LIST, pair)


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
    office = col.place(("SK", "office", name), name, "SK", "post office", district, town)
    col.add_code(office, code, source, pair)


def read_slovak(folder, col):
    municipalities = read_csv(folder, SK_MUNICIPALITIES)
    several = read_csv(folder, SK_SEVERAL_CODES)
    parts = read_csv(folder, SK_PARTS, skip_lines=1)
    streets = read_csv(folder, SK_STREETS)

    # Municipality keys by name, so that the other lists find them whatever
    # form of the district they write.
    keys_by_name = {}

    def municipality_place(name, okres):
        district = sk_district(okres)
        key = ("SK", district, name)
        keys_by_name.setdefault(name, set()).add(key)
        return col.place(key, name, "SK", "municipality", district, name,
                         principal=(name == district))

    def part_place(municipality, part, okres):
        district = sk_district(okres)
        key = ("SK", district, municipality, part)
        return col.place(key, part, "SK", "part", district, municipality)

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

    # Municipalities and their parts with a code each.
    for number, row in enumerate(municipalities, start=2):
        long_name = clean(row["Dlhy_Nazov_Obec"])
        municipality, part = split_long_name(long_name)
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
        town = municipality_place(municipality, okres)
        target = town if part is None or part == municipality else part_place(municipality, part, okres)
        pair = (long_name, row["PSC"])
        code = five_digits(row["PSC"])
        if code is not None:
            if clean(row["PSC"]) != code[:3] + " " + code[3:]:
                col.notes.append((SK_MUNICIPALITIES, "%s %s" % (long_name, row["PSC"]),
                                  "code read as %s" % code))
            col.add_code(target, code, SK_MUNICIPALITIES, pair)
            if target is not town:
                col.add_code(town, code, SK_MUNICIPALITIES, pair)
            office = office_of(col, SK_MUNICIPALITIES, row)
            add_office(col, office, sk_district(okres), code, SK_MUNICIPALITIES,
                       (office.lower(), code), office)
            continue
        remark = clean(row["Posta"])
        if remark.startswith("Pozri") and municipality in SPLIT_CITIES and part is not None:
            col.quarter_districts[part] = clean(row["Okres"])
            col.city_quarter_rows.append((number, long_name, municipality, part))
            continue    # quarters of Bratislava and Košice: see read_quarters
        if remark.startswith("Pozri"):
            short = clean(row["Obec"])
            found = street_codes.get(short, []) if part is None else []
            if part is not None:
                # The part's own post office, or a street named after the part.
                found = [(c, o, s) for c, o, s in street_codes.get(municipality, [])
                         if part.casefold() in (o.casefold(), s.casefold())]
                if not found:
                    found = street_codes.get(short, [])
            if not found:
                col.leave_out(SK_MUNICIPALITIES, "line %d: %s" % (number, long_name),
                              "codes go by street, and the street list has none for it")
                continue
            for code, _, _ in found:
                street_pair = (municipality, code)
                for place in (target, town) if target is not town else (town,):
                    col.add_code(place, code, SK_MUNICIPALITIES, pair)
                    col.add_code(place, code, SK_STREETS, street_pair)
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
            okres_key = next(iter(keys))[1]
            town = col.places[next(iter(keys))]
        else:
            town = municipality_place(municipality, okres)
            okres_key = sk_district(okres)
        pair = (clean(row["Obec"]), row["Miestne_Pomenovanie"].strip(), code)
        col.add_code(town, code, SK_SEVERAL_CODES, pair)
        add_office(col, row["Posta"], okres_key, code, SK_SEVERAL_CODES,
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
        for name in locals_:
            if name == municipality:
                continue
            piece = col.place(("SK", okres_key, municipality, name), name, "SK", "part",
                              okres_key, municipality)
            col.add_code(piece, code, SK_SEVERAL_CODES, pair)

    # Official parts: their municipality's codes, unless a list gave them their own.
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
            piece = standalone
        if piece is None:
            piece = part_place(municipality, part, key[1])
        codes = list(piece["codes"]) or list(town["codes"])
        for code in codes:
            col.add_code(piece, code, SK_PARTS, pair)

    return street_codes


def read_quarters(folder, col, street_codes):
    """Quarters of Bratislava and Košice, whose codes go by street.

    GeoNames names many quarters with their codes; the remaining quarters of
    Bratislava come from the tool's reviewed table.  Only codes that the
    street list gives for the city are taken.
    """
    city_codes = {city: {code for code, _, _ in street_codes.get(city, [])} for city in SPLIT_CITIES}
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
        quarter = col.place(("SK", city, city, name), name, "SK", "city quarter", city, city)
        col.add_code(quarter, code, GEONAMES_SK, pair)
    for name, codes in sorted(BRATISLAVA_QUARTER_CODES.items()):
        key = ("SK", "Bratislava", "Bratislava", name)
        quarter = col.place(key, name, "SK", "city quarter", "Bratislava", "Bratislava")
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


def read_all(folder):
    col = Collector()
    read_czech(folder, col)
    street_codes = read_slovak(folder, col)
    read_quarters(folder, col, street_codes)
    return col
