"""Place texts: plain names, qualifiers that tell same-named places apart,
and the abbreviations that keep a text within 27 visible characters."""

import re

from directory_rules import MAX_VISIBLE

# The one reviewed table of abbreviations, word for word, in order of
# preference.  A text longer than the limit takes them one after another,
# first in its qualifier, then in its name (never the name's first word, so
# that typing the beginning of a name still finds it), until it fits.
ABBREVIATIONS = [
    # prepositions and set phrases
    ("nad", "n."), ("pod", "p."), ("pri", "p."), ("na levém břehu", "na l. b."),
    ("Průmyslová zóna", "PZ"),
    # district towns, in their customary short forms
    ("Hradec Králové", "H. Králové"),
    ("České", "Č."), ("Český", "Č."), ("Česká", "Č."),
    ("Moravské", "Mor."), ("Moravská", "Mor."), ("Moravský", "Mor."),
    ("Rychnov", "Rych."), ("Jindřichův", "Jindř."), ("Havlíčkův", "Havl."),
    ("Mladá", "Ml."), ("Uherské", "Uh."), ("Uherský", "Uh."), ("Karlovy", "K."),
    ("Považská", "Pov."), ("Liptovský", "Lipt."), ("Vysoké", "Vys."),
    ("Vrchotovy", "Vrch."), ("Konstantinovy", "Konst."), ("Svatý", "Sv."), ("Svatá", "Sv."),
    ("Rimavská", "Rim."), ("Banská", "B."), ("Kysucké", "Kys."), ("Turčianske", "Turč."),
    ("Spišská", "Sp."), ("Dunajská", "Dun."), ("Frýdek-Místek", "Frýdek-M."),
    ("Kecerovské", "Kecer."), ("Bystřice", "Byst."), ("Petrovice", "Petr."),
    ("Praha-východ", "Praha-vých."), ("Praha-západ", "Praha-záp."),
    ("Košice-okolie", "Košice-ok."),
    # rivers and mountains after a preposition
    ("Kněžnou", "Kn."), ("Váhom", "V."), ("Orlicí", "Orl."), ("Nisou", "N."),
    ("Bebravou", "Bebr."), ("Javorinou", "Jav."), ("Ještědem", "Ješt."), ("Sázavou", "Sáz."),
    ("Topľou", "T."), ("Metují", "Met."), ("Třemšínem", "Třem."), ("Kozákovem", "Koz."),
    ("Blaníkem", "Bl."), ("Lipou", "L."), ("Nežárkou", "Než."), ("Mohelkou", "Moh."),
    ("Radbuzou", "Radb."), ("Pernštejnem", "Pernšt."), ("Hornáde", "Horn."), ("Šumavě", "Šum."),
    ("Sušice", "Suš."), ("Labem", "L."), ("Oslavou", "Osl."), ("Bečvou", "Beč."), ("Ohří", "O."),
    ("Moravě", "Mor."), ("Moravou", "Mor."), ("Vltavou", "Vlt."), ("Lužnicí", "Luž."),
    ("Jizerou", "Jiz."), ("Skalou", "Sk."), ("Svatým", "Sv."), ("Antonínkem", "Ant."),
    ("Jizerských", "Jizer."), ("Orlických", "Orl."),
    # shorter still, where the forms above do not suffice
    ("Ústí n. Orl.", "Ústí n/O"), ("Žďár n. Sáz.", "Žďár n/S"), ("Bánovce n. Bebr.", "Bánovce n/B"),
    ("Vranov n. T.", "Vranov n/T"), ("Jablonec n. N.", "Jablonec"), ("Pov. Bystrica", "P. Bystrica"),
    ("Proseč p. Ješt.", "Proseč p. J."), ("Jindř. Hradec", "J. Hradec"),
    # other words of names
    ("Budějovice", "Buděj."), ("Budějovic", "Buděj."), ("Moravských", "Mor."),
    ("Nového", "N."), ("Města", "M."), ("Předměstí", "Předm."),
    ("Kralovic", "Kral."), ("Dolních", "Dol."), ("Českých", "Č."),
    ("Náměště", "Nám."), ("Klášterce", "Kl."), ("Třebové", "Tř."),
    ("Mesto", "M."), ("Nové", "N."), ("Stará", "St."), ("Lhota", "Lh."),
]


def fold(text):
    """Texts that differ only in case or hyphens fold alike."""
    return re.sub(r"\s+", " ", text.casefold().replace("-", " ")).strip()


def shorten(name, qualifier, used):
    """The text of name and qualifier within the length limit.

    Appends the abbreviations applied to `used`; returns None when even the
    whole table leaves the text too long.
    """
    def compose(n, q):
        return n if q is None else "%s (%s)" % (n, q)

    def abbreviate(text, protected):
        """Yields text after each abbreviation that the table applies to it."""
        for full, short in ABBREVIATIONS:
            pattern = re.compile(r"(?<![^ (-])%s(?![^ )-])" % re.escape(full))
            match = pattern.search(text, protected)
            while match:
                text = text[:match.start()] + short + text[match.end():]
                used.append("%s -> %s" % (full, short))
                yield text
                match = pattern.search(text, protected)

    text = compose(name, qualifier)
    if len(text) <= MAX_VISIBLE:
        return text
    if qualifier is not None:
        for qualifier in abbreviate(qualifier, 0):
            if len(compose(name, qualifier)) <= MAX_VISIBLE:
                return compose(name, qualifier)
    first_word = len(re.match(r"[^ -]*", name).group(0))
    for name in abbreviate(name, first_word):
        if len(compose(name, qualifier)) <= MAX_VISIBLE:
            return compose(name, qualifier)
    return None


def owns_name(place):
    """A municipality, or the part that bears its municipality's name."""
    return place["kind"] == "municipality" or place["municipality"] == place["name"]


def clashes(members, wanted):
    seen = {}
    for p in members:
        seen.setdefault(wanted[p["key"]], []).append(p)
    return [same for same in seen.values() if len(same) > 1]


def post_town(place, towns_by_code):
    """The municipality with the most parts under the place's first code."""
    code = min(place["codes"])
    counts = towns_by_code.get(code, {})
    candidates = sorted((-n, town) for town, n in counts.items() if town != place["name"])
    return candidates[0][1] if candidates else "%s" % code


def assign_texts(places):
    """Give every place with codes its visible text.

    Returns (texts by place key, abbreviations used by place key, problems).
    """
    groups = {}
    for place in places:
        groups.setdefault(fold(place["name"]), []).append(place)

    towns_by_code = {}
    for place in places:
        for code in place["codes"]:
            counts = towns_by_code.setdefault(code, {})
            counts[place["municipality"]] = counts.get(place["municipality"], 0) + 1

    wanted = {}     # key -> (name, qualifier)
    for members in groups.values():
        if len(members) == 1:
            wanted[members[0]["key"]] = (members[0]["name"], None)
            continue
        principals = [p for p in members if p["principal"] and p["kind"] == "municipality"]
        rest = members
        if len(principals) == 1:
            wanted[principals[0]["key"]] = (principals[0]["name"], None)
            rest = [p for p in members if p is not principals[0]]
        by_district = {}
        for p in rest:
            by_district.setdefault(p["district"], []).append(p)
        for district, same in by_district.items():
            if len(same) == 1:
                wanted[same[0]["key"]] = (same[0]["name"], district)
                continue
            # The district does not tell them apart: a municipality keeps its
            # district, a part is qualified by its municipality.
            for p in same:
                qualifier = district if owns_name(p) else p["municipality"]
                wanted[p["key"]] = (p["name"], qualifier)
            for clash in clashes(same, wanted):
                owners = [p for p in clash if owns_name(p)]
                for p in clash:
                    if not owns_name(p) and p["municipality"] == district:
                        # A quarter of the district's town: "Příbram-Jesenice".
                        wanted[p["key"]] = ("%s-%s" % (p["municipality"], p["name"]), None)
                if len(owners) > 1:
                    # Two municipalities of one name in one district: each by
                    # the town whose post office its code belongs to.
                    for p in owners:
                        wanted[p["key"]] = (p["name"], post_town(p, towns_by_code))
            for clash in clashes(same, wanted):
                for p in clash:
                    wanted[p["key"]] = (p["name"], "%s, %s" % (p["municipality"], district))

    texts, used, problems = {}, {}, []
    for place in places:
        name, qualifier = wanted[place["key"]]
        applied = []
        text = shorten(name, qualifier, applied)
        if text is None:
            problems.append("too long even abbreviated: %s" % (
                name if qualifier is None else "%s (%s)" % (name, qualifier)))
            continue
        texts[place["key"]] = text
        used[place["key"]] = applied

    owners = {}
    for place in places:
        if place["key"] in texts:
            owners.setdefault(fold(texts[place["key"]]), []).append(place)
    for folded, same in owners.items():
        if len(same) > 1:
            problems.append("places share a text: %s" % "; ".join(
                "%s %s" % (texts[p["key"]], "/".join(str(k) for k in p["key"])) for p in same))
    return texts, used, problems
