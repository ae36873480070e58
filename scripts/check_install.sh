#!/usr/bin/env bash
# Checks what an installation of a build holds, never installing onto this machine:
#   scripts/check_install.sh [configure preset, default "ci"]
# It packages the build (scripts/package.sh), unpacks the package into a staging folder and
# installs the build there with cmake --install too, then checks
#  - the package: its name, fields and dependencies, exactly the files it should hold (the
#    same ones cmake --install puts in place), and lintian's word on it;
#  - the desktop entry, the AppStream metadata and the icons with their validators;
#  - the manual page: it renders without a warning and names every option and exit code of
#    --help and every NITIDOR_SIM item the program knows;
#  - the staged program, with nothing of the build tree or the caller's environment: no
#    RPATH, --help and --version, a focus run that saves a TIFF still through Qt's plugins,
#    and its main window on a virtual display, filed under the desktop entry's WM class.
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-ci}
build=build/$preset
log=$build/check_install.log

fail() {
    echo "check_install: $*" >&2
    exit 1
}
ok() { echo "  ok: $*"; }

echo "packaging $build (log: $log)"
scripts/package.sh "$preset" >"$log" 2>&1 || { cat "$log" >&2; fail "packaging failed"; }
tmp=$(mktemp -d "${TMPDIR:-/tmp}/nitidor-install.XXXXXX")
trap 'rm -rf "$tmp"' EXIT

version=$("$build/src/app/nitidor" --version | sed -n 's/^Nitidor //p')
arch=$(dpkg --print-architecture)
deb=$build/nitidor_${version}_${arch}.deb
[ -f "$deb" ] || fail "no $deb"

# --- The package ---------------------------------------------------------------------------
field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package)" = nitidor ] && [ "$(field Version)" = "$version" ] &&
    [ "$(field Architecture)" = "$arch" ] || fail "$deb: wrong Package, Version or Architecture"
depends=$(field Depends)
for package in libqt6core6 libqt6gui6 libqt6network6 libqt6widgets6 libjpeg62-turbo libc6 \
    qt6-image-formats-plugins; do
    sed 's/([^)]*)//g; s/ //g' <<<"$depends" | tr ',|' '\n\n' | grep -qx "$package" ||
        fail "$deb does not depend on $package: $depends"
done
ok "$(basename "$deb"): $depends"

dpkg-deb --contents "$deb" | awk '$1 ~ /^-/ { sub(/^\.\//, "", $6); print $6 }' | sort >"$tmp/files"
id=$(sed -n 's|^usr/share/applications/\(.*\)\.desktop$|\1|p' "$tmp/files")
[ -n "$id" ] || fail "$deb holds no desktop entry"
{
    echo usr/bin/nitidor
    echo "usr/share/applications/$id.desktop"
    for size in 48 128 256; do echo "usr/share/icons/hicolor/${size}x$size/apps/$id.png"; done
    echo "usr/share/metainfo/$id.metainfo.xml"
    echo usr/share/man/man1/nitidor.1.gz
    printf 'usr/share/doc/nitidor/%s\n' README.md copyright changelog.gz
} | sort >"$tmp/expected"
diff -u "$tmp/expected" "$tmp/files" >&2 || fail "$deb holds other files than these"
ok "the package holds $(wc -l <"$tmp/files") files, the desktop id is $id"

prefix=$(sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p' "$build/CMakeCache.txt")
DESTDIR="$tmp/local" cmake --install "$build" >/dev/null
(cd "$tmp/local$prefix" && find . -type f | sed 's|^\./|usr/|' | sort) >"$tmp/installed"
diff -u "$tmp/files" "$tmp/installed" >&2 || fail "cmake --install puts other files in place"
ok "cmake --install puts the same files under $prefix"

lintian --display-info --fail-on error,warning "$deb" >"$tmp/lintian" 2>&1 || {
    cat "$tmp/lintian" >&2
    fail "lintian finds errors or warnings"
}
ok "lintian: no errors or warnings; information: $(sed -n 's/^I: nitidor: //p' "$tmp/lintian" |
    cut -d' ' -f1 | paste -sd' ')"

# --- Unpacked into the staging folder ------------------------------------------------------
root=$tmp/root
dpkg-deb -x "$deb" "$root"
program=$root/usr/bin/nitidor
mkdir -m 700 "$tmp/run" && mkdir "$tmp/home" "$tmp/config" "$tmp/work"
# The staged program runs with nothing of the caller's environment (a QT_PLUGIN_PATH,
# LD_LIBRARY_PATH or QT_QPA_PLATFORM that points elsewhere), and with a settings file and a
# single-instance lock of its own.
clean_env=(env -i PATH=/usr/bin:/bin LANG=C.UTF-8 HOME="$tmp/home" XDG_RUNTIME_DIR="$tmp/run"
    XDG_CONFIG_HOME="$tmp/config")

desktop=$root/usr/share/applications/$id.desktop
# Hints pass: two main categories (photography and video) are meant.
desktop-file-validate "$desktop" >"$tmp/desktop" 2>&1 || true
! grep -E 'error:|warning:' "$tmp/desktop" >&2 || fail "desktop-file-validate: $desktop"
entry() { sed -n "s/^$1=//p" "$desktop"; }
[ -x "$root/usr/bin/$(entry Exec | cut -d' ' -f1)" ] || fail "Exec= names no program in usr/bin"
[ "$(entry Icon)" = "$id" ] || fail "Icon= is not $id"
wm_class=$(entry StartupWMClass)
[ -n "$wm_class" ] || fail "$desktop has no StartupWMClass"
for size in 48 128 256; do
    file "$root/usr/share/icons/hicolor/${size}x$size/apps/$id.png" |
        grep -q "PNG image data, $size x $size," || fail "the ${size}x$size icon is no such PNG"
done
ok "desktop entry and icons"

metainfo=$root/usr/share/metainfo/$id.metainfo.xml
appstreamcli validate --no-net "$metainfo" >"$tmp/appstream" 2>&1 &&
    ! grep -E '^[EW]:' "$tmp/appstream" || {
    cat "$tmp/appstream" >&2
    fail "appstreamcli: $metainfo"
}
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" &&
    grep -q "<release version=\"$version\"" "$metainfo" ||
    fail "$metainfo names another desktop entry or version"
ok "AppStream metadata"

# --- The manual page -----------------------------------------------------------------------
page=$root/usr/share/man/man1/nitidor.1.gz
LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -l "$page" >"$tmp/man" 2>"$tmp/man.err"
[ ! -s "$tmp/man.err" ] || { cat "$tmp/man.err" >&2; fail "man warns about $page"; }
section() { awk -v name="$1" '/^[A-Z]/ { on = ($0 == name) } on' "$tmp/man"; }
"${clean_env[@]}" "$program" --help >"$tmp/help"
for option in $(grep -oE -- '(^| )--?[a-z][a-z0-9-]*' "$tmp/help" | sort -u); do
    # An option's own paragraph, not a mention in another's.
    section OPTIONS | grep -E '^ {7}-' | grep -qE -- "(^| )$option( |,|$)" ||
        fail "the manual lacks $option"
done
for code in $(sed -n '/^Exit codes:/,$s/^ *\([0-9][0-9]*\)  .*/\1/p' "$tmp/help"); do
    section 'EXIT STATUS' | grep -qE "^ +$code( |$)" || fail "the manual lacks exit code $code"
done
# The program names the items it knows when it refuses one.
status=0
"${clean_env[@]}" NITIDOR_SIM=no-such-item "$program" --focus 1 >/dev/null 2>"$tmp/sim" ||
    status=$?
[ "$status" -eq 2 ] || fail "an unknown NITIDOR_SIM item ended with $status, not 2"
items=$(sed -n 's/.* is not //p' "$tmp/sim" | sed 's/ or /, /' | tr ',' '\n' |
    sed 's/ //g; s/=.*//')
[ "$(wc -w <<<"$items")" -ge 5 ] || fail "cannot read the NITIDOR_SIM items from: $(cat "$tmp/sim")"
for item in $items; do
    section ENVIRONMENT | grep -qE "^ +$item(=| |$)" || fail "the manual lacks NITIDOR_SIM $item"
done
ok "manual page: $(wc -w <<<"$items") NITIDOR_SIM items, every option and exit code"

# --- The staged program --------------------------------------------------------------------
! readelf -d "$program" | grep -qE 'RPATH|RUNPATH' || fail "$program carries an RPATH"
! ldd "$program" | grep -q 'not found' || fail "$program misses a library"
[ "$("${clean_env[@]}" "$program" --version)" = "Nitidor $version" ] || fail "--version"
(cd "$tmp/work" && "${clean_env[@]}" "$program" --focus 1 --snapshot still.tif >focus.txt) ||
    fail "the staged program's focus run failed"
figures=$(grep -cE '^[0-9]+,([0-9]+|Overflow)$' "$tmp/work/focus.txt" || true)
[ "$figures" -ge 5 ] || fail "the focus run printed $figures figures"
head -c 4 "$tmp/work/still.tif" | od -An -c | grep -qE 'I +I +\* +\\0|M +M +\\0 +\*' ||
    fail "the still is no TIFF"
ok "staged program: $figures figures and a TIFF still from a focus run"

# Its main window under X11 (the xcb plugin) carries the class the desktop entry names;
# a terminate request closes it as Exit does.
cat >"$tmp/window.sh" <<'EOS'
program=$1
shift
"$@" DISPLAY="$DISPLAY" XAUTHORITY="$XAUTHORITY" "$program" &
pid=$!
window=$(timeout 30 xdotool search --sync --onlyvisible --pid "$pid" | head -1)
[ -n "$window" ] && xprop -id "$window" WM_CLASS
kill -TERM "$pid"
wait "$pid"
EOS
xvfb-run -a -s "-screen 0 1280x1024x24" bash "$tmp/window.sh" "$program" "${clean_env[@]}" \
    >"$tmp/window" 2>&1 || {
    cat "$tmp/window" >&2
    fail "the main window did not open and close"
}
grep -qF "WM_CLASS(STRING) = \"nitidor\", \"$wm_class\"" "$tmp/window" ||
    fail "the window's class is not StartupWMClass=$wm_class: $(cat "$tmp/window")"
ok "main window filed under WM class $wm_class"
echo "check_install: every check passed"
