#!/bin/bash
# Installs what building, running and testing need on a Debian machine, and
# only what is missing. Needs root (or sudo).
set -euo pipefail

packages=(cmake make g++ python3 libgtest-dev
          g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
          binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
          wine64 fonts-wine xvfb x11-utils imagemagick fonts-dejavu-core locales)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"
    elif command -v sudo >/dev/null; then sudo "$@"
    else echo "install-deps: '$*' needs root; run this script as root or install sudo" >&2; return 1
    fi
}

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The lists' order follows the user's locale, which Wine takes from LANG.
if ! locale -a 2>/dev/null | grep -qi '^cs_CZ\.utf-\?8$'; then
    as_root sed -i 's/^# *cs_CZ.UTF-8 UTF-8/cs_CZ.UTF-8 UTF-8/' /etc/locale.gen
    grep -q '^cs_CZ.UTF-8 UTF-8' /etc/locale.gen || echo 'cs_CZ.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
    as_root locale-gen >/dev/null
fi

# ---- 32-bit Windows programs ---------------------------------------------------
# The product is a 32-bit program; Wine runs it with its 32-bit half (wine32,
# an i386 package). Where the kernel cannot execute 32-bit code itself, qemu's
# user-mode emulator runs that half, through a binfmt_misc handler for i386
# ELF files. A machine that already runs 32-bit code is left as it is.

# A 96-byte i386 Linux program that only exits with status 42 (ELF header,
# one loadable segment, then mov eax,1; mov ebx,42; int 0x80).
write_i386_probe() {
    printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'  # 32-bit, little-endian
    printf '\x02\x00\x03\x00\x01\x00\x00\x00'                          # executable, i386, version 1
    printf '\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00'          # entry, program headers at 52, no sections
    printf '\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00'  # flags, sizes, one program header
    printf '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08'  # PT_LOAD of the whole file
    printf '\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00'  # 96 bytes, read + execute
    printf '\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80'                  # exit(42)
}

# Runs the probe; prints what happened and returns 0 when it ran.
probe_i386() {
    local dir out rc=0
    dir=$(mktemp -d)
    write_i386_probe >"$dir/probe"
    chmod +x "$dir/probe"
    out=$("$dir/probe" 2>&1) || rc=$?
    rm -rf "$dir"
    probe_output=$out
    [ "$rc" -eq 42 ]
}

# The binfmt_misc entry that already handles i386 ELF files, if any.
i386_handler() {
    local entry
    for entry in /proc/sys/fs/binfmt_misc/*; do
        grep -qs '^magic 7f454c4601010100000000000000000002000300' "$entry" && { echo "$entry"; return 0; }
    done
    return 1
}

if ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "Adding the i386 architecture (the 32-bit half of Wine runs the 32-bit product)"
    as_root dpkg --add-architecture i386
fi
if ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed"; then
    echo "Installing: wine32:i386 (Wine for 32-bit Windows programs)"
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends wine32:i386 >/dev/null
fi

if ! probe_i386; then
    if ! grep -q 'Exec format error' <<<"$probe_output"; then
        echo "install-deps: a tiny 32-bit program failed in an unexpected way: $probe_output" >&2
        exit 1
    fi
    echo "This kernel does not execute 32-bit programs (Exec format error): using qemu's i386 emulator"
    if ! dpkg-query -W -f='${Status}' qemu-user-static 2>/dev/null | grep -q "install ok installed"; then
        echo "Installing: qemu-user-static"
        as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends qemu-user-static >/dev/null
    fi
    if [ ! -e /proc/sys/fs/binfmt_misc/register ]; then
        echo "Mounting binfmt_misc on /proc/sys/fs/binfmt_misc"
        as_root mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc || {
            echo "install-deps: cannot mount binfmt_misc (needs root and a kernel with binfmt_misc);" \
                 "32-bit programs cannot run here" >&2
            exit 1
        }
    fi
    # A handler may exist already (or come with the package): use it as it is.
    if handler=$(i386_handler); then
        probe_i386 || {
            echo "install-deps: $handler handles i386 programs, but the test program still fails:" \
                 "$probe_output (is the handler disabled, or its emulator missing?)" >&2
            exit 1
        }
        echo "32-bit programs run through $handler"
    else
        # F: the kernel opens the emulator now, so it works in any mount namespace;
        # O and C: the emulator gets the program as an open file, with its credentials.
        echo "Registering qemu-i386-static for i386 ELF programs (binfmt_misc, flags FOC)"
        printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:FOC' |
            as_root tee /proc/sys/fs/binfmt_misc/register >/dev/null || {
                echo "install-deps: cannot register the i386 handler (needs root)" >&2
                exit 1
            }
        probe_i386 || {
            echo "install-deps: the handler is registered, but the 32-bit test program still fails: $probe_output" >&2
            exit 1
        }
        echo "32-bit programs now run under emulation"
    fi
fi
