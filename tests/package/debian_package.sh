#!/usr/bin/env bash
# The Debian package made by cpack from a build tree: lintian finds no error
# in it, and unpacked into a temporary root (no dpkg -i) its programs run
# from there: the player says the project's version and plays the installed
# demo headless, the tools read it, every program has a manual page that
# renders and names every option of its --help, the desktop entry is valid
# and each icon has the size its folder says.
# Usage: debian_package.sh BUILD_DIR SOURCE_DIR VERSION [CPACK]
set -uo pipefail
build="$1"
source_dir="$2"
version="$3"
cpack="${4:-cpack}"

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
give_up() {
    echo "FAIL: $*"
    exit 1
}

for tool in "$cpack" dpkg-deb dpkg-shlibdeps file lintian man desktop-file-validate identify; do
    command -v "$tool" >/dev/null || give_up "$tool is missing (bash scripts/setup.sh installs it)"
done

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# The package.
"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; give_up "cpack -G DEB"; }
debs=("$work"/out/rodazaro_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { cat "$work/cpack.log"; give_up "cpack made no rodazaro_*.deb"; }
deb="${debs[0]}"
field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package)" = rodazaro ] || fail "package name '$(field Package)'"
case "$(field Version)" in
    "$version"-*) ;;
    *) fail "package version '$(field Version)', the project's is $version" ;;
esac
# The libraries the programs link, found by dpkg-shlibdeps.
for library in libc6 libsdl2 libgtk-3 libpng libvorbisfile; do
    field Depends | grep -q "$library" || fail "Depends has no $library: $(field Depends)"
done

# lintian: no errors (its warnings are printed for the record).
lintian --tag-display-limit 0 "$deb" >"$work/lintian.txt" 2>&1
status=$?
cat "$work/lintian.txt"
grep -q '^E:' "$work/lintian.txt" && fail "lintian reports errors"
[ $status -le 1 ] || fail "lintian ended with status $status"

root="$work/root"
dpkg-deb --extract "$deb" "$root" || give_up "dpkg-deb --extract"
bin="$root/usr/bin"
share="$root/usr/share"
demo="$share/rodazaro/demo"
for path in bin/rodazaro bin/rodazaro-check bin/rodazaro-render share/applications/rodazaro.desktop \
    share/icons/hicolor/scalable/apps/rodazaro.svg share/doc/rodazaro/copyright \
    share/doc/rodazaro/changelog.Debian.gz share/rodazaro/demo/data/vuze.kel; do
    [ -f "$root/usr/$path" ] || fail "the package holds no /usr/$path"
done
# The demo whole, byte for byte.
diff -r "$source_dir/examples/demo/data" "$demo/data" >"$work/demo.diff" ||
    { head -n 20 "$work/demo.diff"; fail "the installed demo differs from examples/demo/data"; }

# The installed programs on the installed demo, headless.
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
unset DISPLAY WAYLAND_DISPLAY
out="$("$bin/rodazaro" --version 2>&1)"
[ "$out" = "rodazaro $version" ] || fail "rodazaro --version says '$out', the project's version is $version"

# The demo plays for a minute: after 5 s it is still playing.
timeout 5 "$bin/rodazaro" --mode 640x480x16 "$demo" >"$work/player.log" 2>&1
status=$?
[ $status -eq 124 ] || { cat "$work/player.log"; fail "the player on the installed demo ended with $status before 5 s"; }

# A copy whose script loads everything, shows the first scene for half a
# second and says QUIT: the player ends by itself, with 0.
mkdir -p "$work/short"
cp -r "$demo/data" "$work/short/data"
script="$work/short/data/vuze.kel"
{
    sed -n '1,/^STCK/p' "$demo/data/vuze.kel"
    sed -n '/^STCK/,$p' "$demo/data/vuze.kel" | sed -n '2,20p'
    printf 'WFOR 500\r\nQUIT\r\n'
} >"$script.new" && mv "$script.new" "$script"
grep -q '^LGFX' "$script" || give_up "the shortened script loads nothing"
start=$(date +%s%N)
timeout 60 "$bin/rodazaro" --mode 640x480x16 "$work/short" >"$work/player.log" 2>&1
status=$?
elapsed=$((($(date +%s%N) - start) / 1000000))
[ $status -eq 0 ] || { cat "$work/player.log"; fail "the player on the shortened demo ended with $status"; }
[ $elapsed -ge 500 ] || fail "the shortened demo ended after $elapsed ms, before its 500 ms wait"

out="$("$bin/rodazaro-check" --dir "$demo" 2>&1)"
status=$?
[ $status -eq 0 ] || { echo "$out"; fail "rodazaro-check on the installed demo ended with $status"; }

"$bin/rodazaro-render" --dir "$demo" --mode 640x480x16 --frames 120 --every 60 --out "$work/frames" \
    >"$work/render.log" 2>&1 || { cat "$work/render.log"; fail "rodazaro-render on the installed demo"; }
frames=$(find "$work/frames" -name 'frame_*.png' 2>/dev/null | wc -l)
[ "$frames" -eq 2 ] || fail "rodazaro-render wrote $frames frames of 120 at every 60th, not 2"

# Manual pages: one for each program; each renders without a warning, shows
# the project's version and names every option its program's --help lists.
man1="$share/man/man1"
for program in "$bin"/*; do
    name="$(basename "$program")"
    page="$man1/$name.1.gz"
    [ -f "$page" ] || { fail "no manual page $name(1)"; continue; }
    text="$(LC_ALL=C MANWIDTH=80 man --warnings -l "$page" 2>"$work/man.err")" ||
        fail "man -l $name.1.gz ended with $?"
    [ -s "$work/man.err" ] && { cat "$work/man.err"; fail "$name(1) renders with warnings"; }
    grep -q "RodaZaro $version" <<<"$text" || fail "$name(1) does not show version $version"
    options="$("$program" --help 2>&1 | grep -oE -- '--[a-z][a-z-]*' | sort -u)"
    [ -n "$options" ] || fail "$name --help lists no option"
    for option in $options; do
        grep -qE -- "(^|[^a-z-])$option([^a-z-]|\$)" <<<"$text" || fail "$name(1) does not describe $option"
    done
done

desktop="$share/applications/rodazaro.desktop"
desktop-file-validate "$desktop" || fail "desktop-file-validate rodazaro.desktop"
grep -qx 'Exec=rodazaro %f' "$desktop" || fail "the desktop entry does not run 'rodazaro %f'"
grep -qx 'Icon=rodazaro' "$desktop" || fail "the desktop entry does not name the icon rodazaro"

for size in 16 22 24 32 48 64 128 256; do
    png="$share/icons/hicolor/${size}x$size/apps/rodazaro.png"
    if [ ! -f "$png" ]; then
        fail "no ${size}x$size icon"
    elif [ "$(identify -format '%wx%h' "$png")" != "${size}x$size" ]; then
        fail "the ${size}x$size icon is $(identify -format '%wx%h' "$png")"
    fi
done

if [ $failures -ne 0 ]; then
    echo "$failures failure(s)"
    exit 1
fi
echo "OK: $(basename "$deb")"
