"""Rules that every row of the postal table keeps, and the checks for them."""

import re

MAX_VISIBLE = 27
MIN_VISIBLE = 2

# Letters of Czech and Slovak (all in Windows-1250), digits, blank and marks.
LETTERS = ("abcdefghijklmnopqrstuvwxyzáäčďéěíĺľňóôöŕřšťúůýž"
           "ABCDEFGHIJKLMNOPQRSTUVWXYZÁÄČĎÉĚÍĹĽŇÓÔÖŔŘŠŤÚŮÝŽ")
ALLOWED = set(LETTERS) | set("0123456789 (),-./")
CAPITALS = set(c for c in LETTERS if c.isupper())

CODE_PATTERN = re.compile(r"[0-9]{5}")


def visible(place):
    """The place text without the trailing blank that the table stores."""
    return place[:-1] if place.endswith(" ") else place


def with_trailing_blank(text):
    """The stored form: one blank after a final ")" or "."."""
    return text + " " if text and text[-1] in ")." else text


def place_faults(place):
    """Every rule that a stored place text breaks, as short phrases."""
    faults = []
    text = visible(place)
    if place != with_trailing_blank(text):
        faults.append("trailing blank wrong")
    if not MIN_VISIBLE <= len(text) <= MAX_VISIBLE:
        faults.append("length %d outside %d..%d" % (len(text), MIN_VISIBLE, MAX_VISIBLE))
    if not text or text[0] not in CAPITALS:
        faults.append("does not begin with a capital")
    odd = sorted(set(c for c in text if c not in ALLOWED))
    if odd:
        faults.append("characters not allowed: %s" % " ".join(repr(c) for c in odd))
    if "  " in text or text != text.strip():
        faults.append("blanks not single")
    try:
        place.encode("cp1250")
    except UnicodeEncodeError:
        faults.append("not representable in Windows-1250")
    depth = 0
    for c in text:
        depth += {"(": 1, ")": -1}.get(c, 0)
        if depth < 0 or depth > 1:
            break
    if depth != 0:
        faults.append("parentheses unbalanced or nested")
    if "(" in text and not re.search(r" \([^ )]", text):
        faults.append("parenthesis not after a blank or blank inside it")
    if re.search(r" \)", text):
        faults.append("blank before )")
    if re.search(r"\.[^ )-]", text):
        faults.append("point not followed by blank, ), - or end")
    if re.search(r" -|- ", text):
        faults.append("blank beside a hyphen")
    return faults


def code_faults(code):
    return [] if CODE_PATTERN.fullmatch(code) else ["code is not five digits"]
