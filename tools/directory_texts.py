"""Place texts: one row per place and code, told apart at a glance.

Each rule that shapes a text is one function here:

- rows_by_code: a place of several parts with several codes (a town, a
  town district, a numbered post office) shows one row per code with the
  parts that the code serves ("Praha (Háje,Chodov,Opatov)"); the codes of the
  part that bears the place's own name stay on its bare row.
- plain_or_qualified: a municipality whose name no other municipality bears
  stands plain; parts of other municipalities with that name are qualified by
  their municipality (and its district where that name is itself ambiguous);
  municipalities of one name by their district.
- district_form: a district in full where the text allows, otherwise in its
  one fixed short form.
- shorten: a text over 27 characters gives way at its end: first its
  qualifier, then the last words of its name, never an inner word while a
  later one could.
"""

import re

from directory_collation import collation_key
from directory_rules import MAX_VISIBLE
from directory_sources import SPLIT_CITIES, fold_name

# How far typing must reach: the first words of a name up to this many characters.
TYPED_PREFIX = 16

# Words that may give way at the end of a text, in their customary short forms.
WORD_SHORT = {
    # prepositions
    "nad": "n.", "pod": "p.", "pri": "p.",
    # adjectives and nouns of names
    "České": "Č.", "Český": "Č.", "Česká": "Č.", "Českých": "Č.",
    "Moravské": "Mor.", "Moravská": "Mor.", "Moravský": "Mor.", "Moravských": "Mor.",
    "Rychnov": "Rych.", "Jindřichův": "Jindř.", "Havlíčkův": "Havl.", "Mladá": "Ml.",
    "Uherské": "Uh.", "Uherský": "Uh.", "Karlovy": "K.", "Považská": "Pov.",
    "Liptovský": "Lipt.", "Vysoké": "Vys.", "Vrchotovy": "Vrch.", "Konstantinovy": "Konst.",
    "Svatý": "Sv.", "Svatá": "Sv.", "Svatým": "Sv.", "Rimavská": "Rim.", "Banská": "B.",
    "Kysucké": "Kys.", "Turčianske": "Turč.", "Spišská": "Sp.", "Dunajská": "Dun.",
    "Kecerovské": "Kecer.", "Bystřice": "Byst.", "Petrovice": "Petr.",
    "Budějovice": "Buděj.", "Budějovic": "Buděj.", "Nového": "N.", "Města": "M.",
    "Město": "M.", "Mesto": "M.", "Předměstí": "Předm.", "Kralovic": "Kral.",
    "Dolních": "Dol.", "Dolní": "Dol.", "Horní": "Hor.", "Náměště": "Nám.",
    "Klášterce": "Kl.", "Třebové": "Tř.", "Nové": "N.", "Nová": "N.", "Nový": "N.",
    "Stará": "St.", "Staré": "St.", "Starý": "St.", "Lhota": "Lh.", "Velké": "V.",
    "Malé": "M.", "Hradec": "Hr.", "Králové": "Král.", "Pole": "P.",
    "Jizerských": "Jizer.", "Orlických": "Orl.", "horách": "h.", "Antonínkem": "Ant.",
    "levém": "l.", "břehu": "b.", "Průmyslová": "Prům.", "zóna": "z.",
    # rivers and mountains after a preposition
    "Kněžnou": "Kn.", "Váhom": "V.", "Orlicí": "Orl.", "Nisou": "N.", "Bebravou": "Bebr.",
    "Javorinou": "Jav.", "Ještědem": "Ješt.", "Sázavou": "Sáz.", "Topľou": "T.",
    "Metují": "Met.", "Třemšínem": "Třem.", "Kozákovem": "Koz.", "Blaníkem": "Bl.",
    "Lipou": "L.", "Nežárkou": "Než.", "Mohelkou": "Moh.", "Radbuzou": "Radb.",
    "Pernštejnem": "Pernšt.", "Hornáde": "Horn.", "Šumavě": "Šum.", "Sušice": "Suš.",
    "Labem": "L.", "Oslavou": "Osl.", "Bečvou": "Beč.", "Ohří": "O.", "Moravě": "Mor.",
    "Moravou": "Mor.", "Vltavou": "Vlt.", "Lužnicí": "Luž.", "Jizerou": "Jiz.",
    "Skalou": "Sk.", "Nitricou": "Nitr.", "Rimavicou": "Rim.", "Ondavou": "Ond.",
    "Hronom": "Hr.", "Dunajom": "Dun.", "Bodvou": "Bodv.", "Ipľom": "Ipľ.",
}

# Each long district in its one customary short form.
DISTRICT_SHORT = {
    "Bánovce nad Bebravou": "Bánovce n. B.", "Banská Bystrica": "B. Bystrica",
    "Banská Štiavnica": "B. Štiavnica", "České Budějovice": "Č. Budějovice",
    "Český Krumlov": "Č. Krumlov", "Dunajská Streda": "Dun. Streda",
    "Frýdek-Místek": "Frýdek-M.", "Havlíčkův Brod": "Havl. Brod",
    "Hradec Králové": "H. Králové", "Jablonec nad Nisou": "Jablonec n. N.",
    "Jindřichův Hradec": "Jindř. Hradec", "Karlovy Vary": "K. Vary",
    "Košice-okolie": "Košice-ok.", "Kysucké Nové Mesto": "Kys. N. Mesto",
    "Liptovský Mikuláš": "Lipt. Mikuláš", "Mladá Boleslav": "Ml. Boleslav",
    "Nové Mesto nad Váhom": "N. Mesto n. V.", "Považská Bystrica": "Pov. Bystrica",
    "Praha-východ": "Praha-vých.", "Praha-západ": "Praha-záp.",
    "Rimavská Sobota": "Rim. Sobota", "Rychnov nad Kněžnou": "Rych. n. Kn.",
    "Spišská Nová Ves": "Sp. N. Ves", "Stará Ľubovňa": "St. Ľubovňa",
    "Turčianske Teplice": "Turč. Teplice", "Uherské Hradiště": "Uh. Hradiště",
    "Ústí nad Labem": "Ústí n. L.", "Ústí nad Orlicí": "Ústí n. Orl.",
    "Vranov nad Topľou": "Vranov n. T.", "Zlaté Moravce": "Zl. Moravce",
    "Žďár nad Sázavou": "Žďár n. Sáz.", "Žiar nad Hronom": "Žiar n. Hr.",
}


def fold(text):
    """Texts that differ only in case, blanks or hyphens fold alike."""
    return fold_name(text)


# ---- Shortening ------------------------------------------------------------

PHASES = {
    "customary": (r"[^ ,()]+", lambda word: WORD_SHORT.get(word)),
    "syllable": (r"[^ ,()-]+", lambda word: first_syllable(word)),
    "onset": (r"[^ ,()-]+", lambda word: onset(word)),
    "initial": (r"[^ ,()-]+", lambda word: initial(word)),
}


def give_way(text, keep_first, phase):
    """Yields the text after each further word, from the last one back,
    gives way in one way: "customary" (the table's short forms), "syllable"
    (a long word cut after its first syllable, "Hradiště" to "Hrad.") or
    "initial".  The first word stays when keep_first; a word before a comma
    stays whole, so that a point is never followed by one."""
    pattern, short_form = PHASES[phase]
    spans = list(re.finditer(pattern, text))
    if keep_first:
        spans = spans[1:]
    for match in reversed(spans):
        if text[match.end():match.end() + 1] == ",":
            continue
        short = short_form(match.group(0))
        if short:
            text = text[:match.start()] + short + text[match.end():]
            yield text


def words_from_the_end(text, keep_first, customary_only=False):
    """Yields the text as its words give way from the end: in customary short
    forms, then (unless customary_only) cut at a syllable, then to initials."""
    phases = ["customary"] if customary_only else ["customary", "syllable", "onset", "initial"]
    for phase in phases:
        for form in give_way(text, keep_first, phase):
            text = form
            yield text


def onset(word):
    """A long word cut to its first sounds: "Chřešťovice" to "Chř."."""
    letters = word.rstrip(".")
    if len(letters) <= 2 or not letters.isalpha():
        return None
    i = 1
    while i < len(word) and word[i] not in VOWELS:
        i += 1
    cut = letters[:max(i, 2)]
    return cut + "." if len(cut) + 1 < len(word) else None


def initial(word):
    """The last resort: a word's first letter with a point."""
    return word[0] + "." if len(word) > 2 and word[0].isalpha() and word[1] != "." else None


VOWELS = set("aáäeéěiíoóôöuúůyýAÁÄEÉĚIÍOÓÔÖUÚŮYÝ")


def first_syllable(word):
    """A long word cut before its second vowel group, with a point."""
    if len(word) <= 4 or word.endswith(".") or not word[0].isalpha():
        return None
    i = 0
    while i < len(word) and word[i] not in VOWELS:
        i += 1
    while i < len(word) and word[i] in VOWELS:
        i += 1
    while i < len(word) and word[i] not in VOWELS:
        i += 1
    cut = word[:i]
    return cut + "." if i < len(word) - 1 and cut.isalpha() else None


def district_form(district, short):
    return DISTRICT_SHORT.get(district, district) if short else district


def qualifier_forms(qualifier, customary_only=False):
    """Yields the qualifier's forms from the fullest to the shortest; with
    customary_only, only the customary ones (no word cut at a syllable)."""
    kind = qualifier[0]
    if kind == "district":
        # A district has two forms only: in full, and its one short form.
        yield qualifier[1]
        yield district_form(qualifier[1], True)
    elif kind == "municipality":
        municipality, district = qualifier[1], qualifier[2]
        if district is None:
            yield municipality
            if municipality in DISTRICT_SHORT:
                municipality = DISTRICT_SHORT[municipality]
                yield municipality
            for form in words_from_the_end(municipality, False, customary_only):
                yield form
            return
        yield "%s, %s" % (municipality, district)
        yield "%s, %s" % (municipality, district_form(district, True))
        # Where both will not fit: the municipality alone, else the district.
        yield municipality
        customary = list(words_from_the_end(municipality, False, customary_only=True))
        for form in customary:
            yield form
        yield district
        yield district_form(district, True)
        for form in words_from_the_end(customary[-1] if customary else municipality, False,
                                       customary_only):
            yield form
    elif kind == "parts":
        parts, district = list(qualifier[1]), qualifier[2]
        tail = "" if district is None else ", " + district
        yield ",".join(parts) + tail
        if district is not None:
            tail = ", " + district_form(district, True)
            yield ",".join(parts) + tail
        joined = ",".join(parts)
        for form in words_from_the_end(joined, False, customary_only=True):
            joined = form
            yield joined + tail
        kept = joined.split(",")
        while len(kept) > 1:
            kept = kept[:-1]
            yield ",".join(kept) + tail
        for form in words_from_the_end(kept[0], False, customary_only):
            yield form + tail
        # At the last, the first word of the first part alone.
        first_word = qualifier[1][0].split(" ")[0]
        if first_word != qualifier[1][0]:
            yield first_word + tail
            for form in words_from_the_end(first_word, False, customary_only):
                yield form + tail
    else:   # a town
        yield qualifier[1]
        for form in words_from_the_end(qualifier[1], False, customary_only):
            yield form


def compose(name, qualifier_text):
    return name if qualifier_text is None else "%s (%s)" % (name, qualifier_text)


def shorten(name, qualifier):
    """The text of a name and its qualifier within 27 characters; (None,
    None) when no form fits.  Returns (text, qualifier form used).

    The qualifier gives way first, in its customary short forms; then the
    end of the name, beyond the first words that a person types (16
    characters), from its last word back; the first words themselves only
    where nothing else will do.  A qualifier is cut to initials only where
    no other form fits."""
    if qualifier is None and len(name) <= MAX_VISIBLE:
        return name, None
    names = name_forms(name)
    qualifiers = [(0, None)] if qualifier is None else \
        [(0, q) for q in qualifier_forms(qualifier, customary_only=True)] + \
        [(1, q) for q in qualifier_forms(qualifier)]
    best = None
    for name_rank, (stage, shorter) in enumerate(names):
        for q_rank, (degree, q) in enumerate(qualifiers):
            if len(compose(shorter, q)) > MAX_VISIBLE:
                continue
            initials = q is not None and re.search(r"(^|[ ,(-])[^ ,()-]\.", q) is not None \
                and degree == 1
            score = (stage == 4, initials, stage, degree, name_rank, q_rank)
            if best is None or score < best[0]:
                best = (score, compose(shorter, q), q)
            break
    return (best[1], best[2]) if best else (None, None)


def name_forms(name):
    """(stage, form) of a name from the full one to the shortest: its words
    beyond the typed beginning in customary short forms, then cut further,
    then the typed words themselves."""
    typed = typed_prefix(name)
    head, tail = name[:len(typed) + 1], name[len(typed) + 1:]
    forms = [(0, name)]
    shorter = tail
    for stage, phase in ((1, "customary"), (2, "syllable"), (3, "onset"), (3, "initial")):
        for form in give_way(shorter, False, phase):
            shorter = form
            forms.append((stage, head + form))
    whole = head + shorter
    for phase in ("customary", "syllable", "onset", "initial"):
        for form in give_way(whole, True, phase):
            whole = form
            forms.append((4, whole))
    return forms


def typed_prefix(name):
    """The first words of a name that a person types to find it: whole words
    within 16 characters (the first 16 characters of a longer first word)."""
    if len(name) <= TYPED_PREFIX:
        return name
    cut = name[:TYPED_PREFIX + 1]
    end = max(cut.rfind(" "), cut.rfind("-"))
    return name[:end] if end > 0 else name[:TYPED_PREFIX]


# ---- Which rows a place has -------------------------------------------------

def is_whole(place):
    return bool(place["parts"]) or bool(place["own"])


def repeats_a_part(place):
    """A town district that is one part under the same name ("Poruba" of
    Ostrava): the part's own rows stand for it."""
    if place["kind"] != "town district" or len(place["parts"]) != 1 or place["own"]:
        return False
    return fold(next(iter(place["parts"]))) == fold(place["name"])


def rows_by_code(place, served_order):
    """(code, served parts or None) for every row of the place: the bare row
    carries the codes of the place's own part; each other code stands with
    the parts it serves.  A town district named like one of its parts leaves
    that part's codes to the part's own rows."""
    codes = sorted(place["codes"])
    district = place["kind"] == "town district"
    if not is_whole(place) or (len(codes) == 1 and not district):
        return [(code, None) for code in codes]
    if district and not place["own"] and len(place["parts"]) == 1:
        return [(code, None) for code in codes]     # one part under the district's name
    result = []
    for code in codes:
        served = [name for name, part_codes in place["parts"].items() if code in part_codes]
        if code in place["own"]:
            if not (district and code in place.get("own_by_same_name", ())):
                result.append((code, None))
            continue
        if not served or (len(codes) == 1 and not place["own"]):
            result.append((code, None))
            continue
        result.append((code, tuple(sorted(served, key=served_order(place)))))
    return result


def served_order(place):
    """Parts that fewer codes serve first (they tell the code apart), then in
    collation order."""
    def key(name):
        return (len(place["parts"][name]), collation_key(name))
    return key


# ---- Plain names and qualifiers -----------------------------------------------

def plain_or_qualified(places):
    """The bare text's (name, qualifier) of every place, by key.

    Qualifiers: ("district", D), ("municipality", M, D or None), ("town", T).
    """
    groups = {}
    for place in places:
        groups.setdefault(fold(place["name"]), []).append(place)
    towns_by_code = {}
    for place in places:
        for code in place["codes"]:
            counts = towns_by_code.setdefault(code, {})
            counts[place["municipality"]] = counts.get(place["municipality"], 0) + 1

    wanted = {}
    for members in groups.values():
        municipalities = [p for p in members if p["kind"] == "municipality"]
        if len(municipalities) == 1:
            wanted[municipalities[0]["key"]] = (municipalities[0]["name"], None)
            continue
        principals = [p for p in municipalities if p["principal"]]
        rest = municipalities
        if len(principals) == 1:
            wanted[principals[0]["key"]] = (principals[0]["name"], None)
            rest = [p for p in municipalities if p is not principals[0]]
        by_district = {}
        for p in rest:
            by_district.setdefault(p["district"], []).append(p)
        for district, same in by_district.items():
            for p in same:
                wanted[p["key"]] = (p["name"], ("district", district))
            if len(same) > 1:
                # Two municipalities of one name in one district: each by the
                # town whose post office its code belongs to.
                for p in same:
                    wanted[p["key"]] = (p["name"], ("town", post_town(p, towns_by_code)))
    by_key = {p["key"]: p for p in places}
    for members in groups.values():
        for p in members:
            if p["kind"] == "municipality":
                continue
            whole = by_key.get(p.get("whole"))
            whole_qualified = whole is not None and wanted.get(whole["key"], (None, None))[1] is not None
            if p["kind"] == "city quarter" and p["municipality"] in SPLIT_CITIES:
                # Boroughs of Bratislava and Košice always say their city.
                wanted[p["key"]] = (p["name"], ("municipality", p["municipality"], None))
            elif len(members) == 1:
                wanted[p["key"]] = (p["name"], None)
            else:
                wanted[p["key"]] = (p["name"], ("municipality", p["municipality"],
                                                p["district"] if whole_qualified else None))
    return wanted


def post_town(place, towns_by_code):
    """The municipality with the most parts under the place's first code."""
    code = min(place["codes"])
    counts = towns_by_code.get(code, {})
    candidates = sorted((-n, town) for town, n in counts.items() if town != place["name"])
    return candidates[0][1] if candidates else code


def with_parts(bare, served, with_district):
    """The qualifier of a row by code: the parts it serves, and the district
    only where those parts would not tell the place apart."""
    name, qualifier = bare
    district = None
    if with_district and qualifier is not None:
        district = qualifier[1] if qualifier[0] in ("district", "town") else \
            (qualifier[2] or qualifier[1])
    return name, ("parts", tuple(part_within(part, name) for part in served), district)


def part_within(part, whole):
    """A part's name as it reads after its town's: "Přerov II-Předmostí" as
    "Předmostí", "České Budějovice 3" as "3"."""
    if not part.startswith(whole + " "):
        return part
    rest = part[len(whole) + 1:]
    numbered = re.fullmatch(r"[IVXL]+-(.+)", rest)
    return numbered.group(1) if numbered else rest


def district_of(qualifier):
    """The district named in a qualifier, if any."""
    if qualifier is None:
        return None
    if qualifier[0] == "district":
        return qualifier[1]
    if qualifier[0] in ("municipality", "parts"):
        return qualifier[2]
    return None


def assign_texts(places):
    """Every row of the table: a dict with code, text, place, served parts
    and the district form used.  Returns (rows, abbreviated places, problems)."""
    by_key = {p["key"]: p for p in places}
    places = [p for p in places if not repeats_a_part(p)]
    bare = plain_or_qualified(places)
    clashing = set()
    for _ in range(3):
        rows, problems, shortened = make_rows(places, bare, clashing)
        owners = {}
        for row in rows:
            owners.setdefault(fold(row["text"]), {}).setdefault(row["place"]["key"], row)
        clashes = [same for same in owners.values() if len(same) > 1]
        if not clashes:
            break
        for same in clashes:
            clashing |= set(same)
            with_municipality = any(by_key[key]["kind"] == "municipality" for key in same)
            for key in same:
                place = by_key[key]
                if with_municipality and place["kind"] == "part" and bare[key][1] is not None \
                        and fold(place["municipality"]) == fold(place["district"]):
                    # A quarter of a district's town beside a municipality of
                    # its name in that district: "Příbram-Jesenice".
                    bare[key] = ("%s-%s" % (place["municipality"], place["name"]), None)
                elif place["kind"] != "municipality" and bare[key][1] is not None \
                        and bare[key][1][0] == "municipality":
                    # Parts of two municipalities of one name: by their districts.
                    bare[key] = (place["name"], ("district", place["district"]))
    for same in clashes:
        problems.append("places share a text: %s" % "; ".join(
            "%s %s" % (r["text"], "/".join(str(k) for k in key)) for key, r in sorted(same.items())))
    return rows, shortened, problems


def make_rows(places, bare, clashing):
    rows, problems, shortened = [], [], {}
    for place in places:
        for code, served in rows_by_code(place, served_order):
            name, qualifier = bare[place["key"]] if served is None else \
                with_parts(bare[place["key"]], served, place["key"] in clashing)
            text, form = shorten(name, qualifier)
            if text is None:
                problems.append("too long even shortened: %s %s" % (name, qualifier))
                continue
            if text != compose(name, None if qualifier is None else next(qualifier_forms(qualifier))):
                shortened[place["key"]] = True
            district = district_of(qualifier)
            shown = served
            if served and form is not None:
                parts_text = form.split(", ")[0] if qualifier[2] is not None else form
                shown = served[:parts_text.count(",") + 1]
            rows.append({"code": code, "text": text, "place": place, "served": served,
                         "shown": shown, "qualifier": qualifier, "district": district,
                         "district_form": None if district is None or form is None
                         else district_form_in(form, district)})
    return rows, problems, shortened


def district_form_in(form, district):
    """Which form of the district a qualifier text carries."""
    for candidate in (district, DISTRICT_SHORT.get(district, district)):
        if form == candidate or form.endswith(", " + candidate):
            return candidate
    return None
