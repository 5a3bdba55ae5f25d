#!/usr/bin/env bash
# The web player in headless Chromium and Firefox (web_player.mjs), against
# frames of the Linux render tool.  Skips (exit 77) when the site or the
# test's browser driver is not there, and after the other browser's run when
# one of the two browsers is missing: scripts/build-web.sh makes or installs
# them all.
# Usage: web_player.sh <site dir> <rodazaro-render> <source dir>
set -euo pipefail
site="$1"; render="$2"; source="$3"
here="$source/tests/web"
for need in "$site/index.html" "$site/rodazaro.wasm" "$site/demo.zip" "$here/node_modules/puppeteer-core"; do
  [ -e "$need" ] || { echo "SKIP: $need is missing (run scripts/build-web.sh)"; exit 77; }
done
browsers=() missing=()
for browser in chromium firefox-esr; do
  if command -v "$browser" >/dev/null; then browsers+=("${browser%-esr}"); else missing+=("$browser"); fi
done
[ ${#browsers[@]} -gt 0 ] || { echo "SKIP: neither chromium nor firefox-esr is installed"; exit 77; }
[ -x "$render" ] || { echo "no render tool at $render"; exit 1; }

# The player's download stays small: 1.5 MiB, 500 KiB gzipped.
wasm=$(stat -c %s "$site/rodazaro.wasm")
packed=$(gzip -9c "$site/rodazaro.wasm" | wc -c)
echo "-- rodazaro.wasm: $wasm bytes, $packed gzipped"
[ "$wasm" -le $((1536 * 1024)) ] || { echo "FAIL: rodazaro.wasm is over 1.5 MiB"; exit 1; }
[ "$packed" -le $((500 * 1024)) ] || { echo "FAIL: rodazaro.wasm is over 500 KiB gzipped"; exit 1; }

work="$(mktemp -d)"
server=""
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

echo "-- reference frames of the demo's first 8.5 s from the render tool (800x600 at 32 and 16 bits, 60 fps)"
for depth in 32 16; do
  "$render" "$source/examples/demo" --mode "800x600x$depth" --frames 510 --out "$work/frames$depth" >/dev/null 2>&1
done

# The site with presentations of its own: the demo without one picture, a
# zip that holds no script, and a script that ends by itself.
mkdir -p "$work/site" "$work/broken" "$work/noscript/data/gfx"
cp -r "$site"/. "$work/site/"
cp -r "$source/examples/demo/data" "$work/broken/"
rm "$work/broken/data/gfx/moon.png"
(cd "$work/broken" && python3 -m zipfile -c "$work/site/broken.zip" data)
cp "$source/examples/demo/data/gfx/moon.png" "$work/noscript/data/gfx/"
(cd "$work/noscript" && python3 -m zipfile -c "$work/site/no-script.zip" data)
mkdir -p "$work/quit/data"
printf 'Quits at once\r\nWFOR 0500\r\nQUIT\r\n' >"$work/quit/data/vuze.kel"
(cd "$work/quit" && python3 -m zipfile -c "$work/site/quit.zip" data)

port="$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')"
python3 -m http.server --bind 127.0.0.1 --directory "$work/site" "$port" >"$work/server.log" 2>&1 &
server=$!
for _ in $(seq 50); do
  python3 -c "import urllib.request; urllib.request.urlopen('http://127.0.0.1:$port/index.html')" 2>/dev/null && break
  sleep 0.1
done

for browser in "${browsers[@]}"; do
  echo "== $browser"
  mkdir -p "$work/downloads-$browser"
  HOME="$work" node "$here/web_player.mjs" "$browser" "http://127.0.0.1:$port" "$work/frames32" "$work/frames16" \
    broken.zip "$source/examples/demo" "$work/downloads-$browser"
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "SKIP: ${missing[*]} is not installed (scripts/build-web.sh installs it)"
  exit 77
fi
