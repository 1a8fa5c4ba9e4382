#!/usr/bin/env bash
# Makes the Debian package with CPack, unpacks it into a fresh folder and
# checks it as a desktop and a Debian packager see it: lintian has nothing
# to warn of, the program is hardened, the manual pages render cleanly, the
# menu entry, AppStream data and theme icons validate, Depends holds the Qt
# libraries the program links, and the unpacked menu launcher starts the
# unpacked program in ~/ZumiVok, made on first start, with its window on a
# real X server.
#
#   package.sh BUILD_DIR SOURCE_DIR
# shellcheck source-path=SCRIPTDIR
. "$(dirname "$0")/x_session.sh"
need cpack dpkg-deb dpkg-query objdump desktop-file-validate appstreamcli lintian hardening-check man
build=$(realpath "$1")
source_dir=$(realpath "$2")
root="$work/root"

(cd "$build" && cpack -G DEB -B "$work/deb" >"$work/cpack.log" 2>&1) ||
  fail "cpack -G DEB failed: $(cat "$work/cpack.log")"
debs=("$work"/deb/*.deb)
[ "${#debs[@]}" -eq 1 ] && [ -f "${debs[0]}" ] || fail "cpack made no single .deb: ${debs[*]}"
deb=${debs[0]}
dpkg-deb -x "$deb" "$root"

lintian --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1 ||
  fail "lintian: $(cat "$work/lintian.log")"
# Debian's build flags give a position-independent program, a stack
# protector, and RELRO with immediate binding. Two checks cannot pass on
# Debian 12: its start files carry no control-flow marks, so no program
# linked there has them; and no call of ours copies into a buffer whose size
# is known when it is compiled, so _FORTIFY_SOURCE has no call to replace
# and the check finds only unprotected ones.
hardening-check --nocfprotection --nofortify "$root/usr/bin/zumivok" >"$work/hardening.log" ||
  fail "$(cat "$work/hardening.log")"
for page in zumivok zumivok-launcher; do
  warnings=$(MANWIDTH=80 man --warnings -l "$root/usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "the manual page $page(1) renders with warnings: $warnings"
done

# The control fields: name, the project's version, and Depends from the
# libraries the unpacked program really links (versioned, as dpkg-shlibdeps
# writes them), plus the Qt plugins that no linker sees.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = zumivok ] || fail "the package is named $(field Package)"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ "$(field Version)" = "$version" ] || fail "the package's version $(field Version) is not $version"
depends=", $(field Depends),"
qt_libraries=$(objdump -p "$root/usr/bin/zumivok" | awk '$1 == "NEEDED" && $2 ~ /^libQt6/ { print $2 }')
[ -n "$qt_libraries" ] || fail "the unpacked program links no Qt library"
for library in $qt_libraries; do
  owner=$(dpkg-query -S "*/$library" | head -n 1 | cut -d: -f1)
  [[ "$depends" == *", $owner (>= "* ]] || fail "Depends lacks $owner, which has $library: $depends"
done
[[ "$depends" == *", qt6-qpa-plugins,"* ]] || fail "Depends lacks qt6-qpa-plugins: $depends"
for plugins in qt6-image-formats-plugins qt6-wayland; do
  [[ ", $(field Recommends), $depends" == *", $plugins"[,\ ]* ]] ||
    fail "neither Depends nor Recommends holds $plugins"
done

# The menu entry, the AppStream data and its link to the menu entry, the icons.
desktop_files=("$root"/usr/share/applications/*.desktop)
[ "${#desktop_files[@]}" -eq 1 ] && [ -f "${desktop_files[0]}" ] || fail "no single menu entry"
desktop-file-validate "${desktop_files[0]}" || fail "the menu entry does not validate"
appstreamcli validate-tree --no-net "$root" || fail "the AppStream data does not validate"
icon=$(sed -n 's/^Icon=//p' "${desktop_files[0]}")
[ -f "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no scalable icon $icon"
for size in 16 22 24 32 48 64 128 256; do
  png="$root/usr/share/icons/hicolor/${size}x${size}/apps/$icon.png"
  [ -f "$png" ] || fail "no $size pixel icon $icon"
  # A PNG's width and height are the big-endian words at bytes 16 and 20;
  # its colour type is byte 25, 6 for colour with transparency.
  measures=$(od --endian=big -An -tu4 -j16 -N8 "$png" | xargs)
  [ "$measures" = "$size $size" ] || fail "the $size pixel icon measures $measures"
  [ "$(od -An -tu1 -j25 -N1 "$png" | xargs)" = 6 ] || fail "the $size pixel icon is opaque"
done

diff -r -x make_sample.sh -x .gitattributes "$source_dir/sample" "$root/usr/share/zumivok/sample" ||
  fail "the installed sample catalogue differs from sample/"

# A menu start: a fresh home without ~/ZumiVok, and the desktop's choice of
# current directory (here /).
export HOME="$work/home"
mkdir "$HOME"
start_x_server
start_program / "$root/usr/bin/$(sed -n 's/^Exec=//p' "${desktop_files[0]}")"
window 'ZumiVok ß-2' >/dev/null
[ "$(readlink "/proc/$program_pid/exe")" = "$(realpath "$root/usr/bin/zumivok")" ] ||
  fail "the launcher started $(readlink "/proc/$program_pid/exe"), not the unpacked program"
[ "$(readlink "/proc/$program_pid/cwd")" = "$(realpath "$HOME/ZumiVok")" ] ||
  fail "the program runs in $(readlink "/proc/$program_pid/cwd"), not in ~/ZumiVok"
kill "$program_pid"
echo "PASS: $(basename "$deb"), $(stat -c %s "$deb") bytes; Depends: $(field Depends)"
