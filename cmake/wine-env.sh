# Sourced by the run, test and bench scripts: a Wine prefix of the build's own,
# a Czech user locale, and an X display (an Xvfb of our own when none is set).
# Usage: . cmake/wine-env.sh BUILD_DIR

ORVENDA_BUILD_DIR=$(cd "${1:?build folder}" && pwd)
export WINEPREFIX="$ORVENDA_BUILD_DIR/wineprefix"
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="   # no Mono or Gecko prompts
export LANG=cs_CZ.UTF-8 LC_ALL=cs_CZ.UTF-8
export WINE=/usr/lib/wine/wine64

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
