"""Order of the place texts in the table.

Texts are compared character by character from the left, "ch" counting as
one letter.  Ranks, lowest first: the blank, the marks and the digits by
their character codes; then every capital letter; then every small letter.
Within capitals and within small letters the Czech and Slovak alphabet
holds: a letter with a diacritic is a letter of its own right after its
base letter, and "ch" stands between "h" and "i".
"""

ALPHABET = ("a á ä b c č d ď e é ě f g h ch i í j k l ĺ ľ m n ň o ó ô ö p q r ŕ ř "
            "s š t ť u ú ů v w x y ý z ž").split()
_LETTER_RANK = {letter: rank for rank, letter in enumerate(ALPHABET)}
MARKS = " (),-./0123456789"

MARK_CLASS, CAPITAL_CLASS, SMALL_CLASS = 0, 1, 2


def collation_key(text):
    """A tuple that sorts texts in table order."""
    key = []
    i = 0
    while i < len(text):
        c = text[i]
        if c in "cC" and i + 1 < len(text) and text[i + 1] in "hH":
            key.append((CAPITAL_CLASS if c == "C" else SMALL_CLASS, _LETTER_RANK["ch"]))
            i += 2
            continue
        if c in MARKS:
            key.append((MARK_CLASS, ord(c)))
        else:
            small = c.lower()
            if small not in _LETTER_RANK:
                raise ValueError("no rank for character %r in %r" % (c, text))
            key.append((SMALL_CLASS if c == small else CAPITAL_CLASS, _LETTER_RANK[small]))
        i += 1
    return tuple(key)
