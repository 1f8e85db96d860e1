#!/usr/bin/env python3
"""Checks the release ZIP: the three files under one folder, the program the
same bytes as the build's, and the two texts readable by Windows editors.
Usage: check_package.py ZIP PROGRAM.exe"""
import sys
import zipfile

failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL", what)


def check_windows_text(name, data, bom):
    check(data.startswith(b"\xef\xbb\xbf") == bom, f"{name}: byte order mark {'present' if bom else 'absent'}")
    try:
        text = data.decode("utf-8-sig")
    except UnicodeDecodeError as error:
        check(False, f"{name}: valid UTF-8 ({error})")
        return ""
    check(text.count("\n") > 0 and text.count("\n") == text.count("\r\n"), f"{name}: every line ends in CRLF")
    return text


def main():
    zip_path, program_path = sys.argv[1], sys.argv[2]
    folder = "orvenda-1.0.0-win32/"
    with zipfile.ZipFile(zip_path) as package:
        names = sorted(info.filename for info in package.infolist() if not info.is_dir())
        check(names == [folder + "CTIMNE.txt", folder + "LICENSE.txt", folder + "orvenda.exe"],
              f"files in the package: {names}")
        files = {name[len(folder):]: package.read(name) for name in names if name.startswith(folder)}

    with open(program_path, "rb") as program:
        check(files.get("orvenda.exe") == program.read(), "orvenda.exe is the 32-bit build's program")

    readme = check_windows_text("CTIMNE.txt", files.get("CTIMNE.txt", b""), bom=True)
    # What the read-me owes its reader: the sources with their date, the
    # attribution that CC BY 4.0 asks for, and the licence.
    for needed in ["Česká pošta", "Slovenská pošta", "2021", "GeoNames", "CC BY 4.0",
                   "https://creativecommons.org/licenses/by/4.0/", "MIT", "LICENSE.txt"]:
        check(needed in readme, f"CTIMNE.txt names {needed!r}")

    licence = check_windows_text("LICENSE.txt", files.get("LICENSE.txt", b""), bom=False)
    check(licence.startswith("MIT License"), "LICENSE.txt is the MIT licence")

    print(f"{len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
