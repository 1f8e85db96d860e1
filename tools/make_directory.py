#!/usr/bin/env python3
"""Builds the postal directory table from the official lists.

Reads the Czech and Slovak postal operators' lists (and GeoNames for the
quarters of Bratislava and Košice and for a cross-check), gives every place
its text, checks every row against the table's rules and writes
directory/PostalEntries.inc and directory/REPORT.md.  The same lists give
the same bytes on every run.

    python3 tools/make_directory.py [--sources DIR] [--out DIR]
"""

import argparse
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from directory_collation import collation_key                      # noqa: E402
from directory_report import write_report                          # noqa: E402
from directory_rules import code_faults, place_faults, with_trailing_blank  # noqa: E402
from directory_sources import read_all                             # noqa: E402
from directory_texts import assign_texts                           # noqa: E402

REPOSITORY = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


class TableError(Exception):
    pass


def build_entries(col):
    """The table rows in table order: dicts with code, stored place text and
    the place they come from."""
    places = [p for _, p in sorted(col.places.items(), key=lambda item: repr(item[0]))
              if p["codes"]]
    rows, shortened, problems = assign_texts(places)
    if problems:
        raise TableError("\n".join(problems))
    faults = []
    for row in rows:
        row["stored"] = with_trailing_blank(row["text"])
        for fault in code_faults(row["code"]) + place_faults(row["stored"]):
            faults.append("%s \"%s\": %s" % (row["code"], row["stored"], fault))
    if faults:
        raise TableError("rows break the table's rules:\n" + "\n".join(faults))
    rows.sort(key=lambda row: (collation_key(row["stored"]), row["code"]))
    return rows, shortened


def write_entries(rows, path):
    lines = ['POSTAL_ENTRY("%s", "%s")\n' % (row["code"], row["stored"]) for row in rows]
    with open(path, "w", encoding="utf-8", newline="\n") as handle:
        handle.writelines(lines)


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--sources", default=os.path.join(REPOSITORY, "..", "shared", "sources"),
                        help="folder of the official lists (default: ../shared/sources)")
    parser.add_argument("--out", default=os.path.join(REPOSITORY, "directory"),
                        help="folder for PostalEntries.inc and REPORT.md (default: directory/)")
    args = parser.parse_args(argv)
    try:
        col = read_all(args.sources)
        rows, shortened = build_entries(col)
    except (TableError, OSError, KeyError, ValueError) as error:
        print("make_directory: %s" % error, file=sys.stderr)
        return 1
    os.makedirs(args.out, exist_ok=True)
    write_entries(rows, os.path.join(args.out, "PostalEntries.inc"))
    write_report(col, rows, shortened, args.sources, os.path.join(args.out, "REPORT.md"))
    print("make_directory: %d entries" % len(rows))
    return 0


if __name__ == "__main__":
    sys.exit(main())
