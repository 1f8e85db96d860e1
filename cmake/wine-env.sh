# Sourced by the run, test and bench scripts: a Wine prefix of the build's own,
# a Czech user locale, and an X display (an Xvfb of our own when none is set).
# Usage: . cmake/wine-env.sh BUILD_DIR

ORVENDA_BUILD_DIR=$(cd "${1:?build folder}" && pwd)
export WINEPREFIX="$ORVENDA_BUILD_DIR/wineprefix"
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="   # no Mono or Gecko prompts
export LANG=cs_CZ.UTF-8 LC_ALL=cs_CZ.UTF-8
export WINE=/usr/lib/wine/wine64

# The 32-bit product runs in the same prefix as the 64-bit drivers, so that
# both talk to one Wine server. A prefix made before 32-bit Wine was installed
# has no 32-bit half (syswow64), and wineboot -u does not add one: such a
# prefix is made anew, unless a running process still uses it.
ORVENDA_WINE32=/usr/lib/wine/wine
if [ -f "$WINEPREFIX/.orvenda-ready" ] && [ -x "$ORVENDA_WINE32" ] &&
   [ ! -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]; then
    if env -u WINEPREFIX grep -qsxzF "WINEPREFIX=$WINEPREFIX" /proc/[0-9]*/environ; then
        echo "wine-env: $WINEPREFIX has no 32-bit half but is in use; 32-bit programs will fail in it" >&2
    else
        echo "wine-env: making $WINEPREFIX anew with its 32-bit half (a few minutes under emulation)" >&2
        rm -rf "$WINEPREFIX"
    fi
fi

if [ -z "${DISPLAY:-}" ]; then
    for n in $(seq 90 140); do
        if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then
            Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
            ORVENDA_XVFB_PID=$!
            export DISPLAY=":$n"
            for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
            break
        fi
    done
    trap '"${WINE%/*}/wineserver" -k 2>/dev/null; kill $ORVENDA_XVFB_PID 2>/dev/null' EXIT
fi

if [ ! -f "$WINEPREFIX/.orvenda-ready" ]; then
    mkdir -p "$WINEPREFIX"
    "$WINE" wineboot -i >/dev/null 2>&1
    # Without a window manager Wine draws caption, frame and menu itself.
    "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    # This Wine does not look into the fonts-wine folder by itself; without
    # Marlett the caption buttons show letters.
    ln -sf /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
    "${WINE%/*}/wineserver" -w
    touch "$WINEPREFIX/.orvenda-ready"
fi
# Wine has no Microsoft Sans Serif, and fontconfig would give the dialog
# DejaVu Sans, in which Wine 8's text shaping faults on ˇ ˛ ˝ starting a run
# (the edit fields measure their text with it). Tahoma is Wine's own stand-in.
if [ ! -f "$WINEPREFIX/.orvenda-font" ]; then
    "$WINE" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'Microsoft Sans Serif' /t REG_SZ /d Tahoma /f >/dev/null 2>&1
    "${WINE%/*}/wineserver" -w
    touch "$WINEPREFIX/.orvenda-font"
fi
