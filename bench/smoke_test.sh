#!/usr/bin/env bash
# rodazaro-bench --smoke: every figure is measured once on small files; each
# has its line (name, ours, bare, ratio) and its entry in the JSON, with
# times above zero.
#   Usage: smoke_test.sh <rodazaro-bench>
set -u
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
if ! timeout 100 "$1" --smoke --json "$work/figures.json" > "$work/out" 2> "$work/err"; then
  echo "FAIL: rodazaro-bench --smoke failed: $(cat "$work/err")"
  exit 1
fi
cat "$work/out"
python3 - "$work/out" "$work/figures.json" << 'PY'
import json, re, sys
names = ["sprite load png->16bit", "sprite load bmp->16bit", "sprite load png->32bit", "sprite load bmp->32bit",
         "sound load ogg", "sound load wav", "scene draw 100 slots", "empty turn", "worst turn, png every 1 s"]
text = open(sys.argv[1]).read()
failures = []
for name in names:
    line = re.search(r"^%s +([0-9.]+) ms +([0-9.]+) ms +([0-9.]+)x$" % re.escape(name), text, re.M)
    if not line:
        failures.append("no line for '%s'" % name)
    elif not (float(line.group(1)) > 0 and float(line.group(2)) > 0):
        failures.append("'%s' took no time: %s" % (name, line.group(0)))
try:
    figures = json.load(open(sys.argv[2]))
    entries = {f["name"]: f for f in figures["figures"]}
    for name in names:
        f = entries.get(name)
        if f is None:
            failures.append("no JSON entry for '%s'" % name)
        elif not (f["ours_ms"] > 0 and f["bare_ms"] > 0 and abs(f["ratio"] - f["ours_ms"] / f["bare_ms"]) < 1e-2 * f["ratio"]):
            failures.append("JSON entry of '%s' is not sane: %s" % (name, f))
    if figures["mode"] != "smoke":
        failures.append("JSON mode is %s, not smoke" % figures["mode"])
except (ValueError, KeyError, TypeError) as error:
    failures.append("the JSON does not parse as figures: %s" % error)
for failure in failures:
    print("FAIL: " + failure)
sys.exit(1 if failures else 0)
PY
