#!/bin/bash
# rodazaro-check: options, exit codes and the script file itself.
source "$(dirname "$0")/check_common.inc"

run_check --help
expect_rc 0 "--help"
grep -q "Usage: rodazaro-check" <<<"$out" || fail "--help prints no usage"

run_check --frobnicate
expect_rc 2 "an unknown option"
run_check --dir
expect_rc 2 "--dir without a folder"
run_check --dir "$work/no such folder"
expect_rc 2 "a folder that does not exist"
run_check extra
expect_rc 2 "a stray argument"

# No data/vuze.kel at all.
mkdir -p "$work/nothing"
run_check --dir "$work/nothing"
expect_rc 1 "a missing script"
expect "" error "cannot open the script data.vuze\.kel"

# A clean presentation: nothing to report, exit code 0.
new_show clean "Clean show" "LGFX 00 a.bmp" "LSND 0 a.wav" "STCK" "SGFX 00 0.000 0.000" "PSND 0" "WAIT 1000" "QUIT"
write_bmp "$show/data/gfx/a.bmp"
write_wav "$show/data/sound/a.wav"
clean="$show"
run_check --dir "$clean"
expect_rc 0 "a clean presentation"
if grep -qE "^vuze\.kel(:[0-9]+)?: (error|warning|info):" <<<"$out"; then fail "findings for a clean presentation: $out"; fi
grep -q "^0 errors, 0 warnings, 0 info$" <<<"$out" || fail "no summary line: $out"
run_check --dir="$clean" --quiet
expect_rc 0 "--quiet on a clean presentation"
[ -z "$out" ] || fail "--quiet printed: $out"
# The current directory by default.
out="$(cd "$clean" && timeout 30 "$checker" 2>&1)"
rc=$?
expect_rc 0 "the current directory"

# Information alone keeps the exit code at 0.
new_show noquit "No quit" "LGFX 00 a.bmp" "SGFX 00 0.000 0.000"
write_bmp "$show/data/gfx/a.bmp"
run_check --dir "$show"
expect_rc 0 "only information"
expect "" info "the script has no QUIT"

# One warning is enough for exit code 1, with and without --quiet.
new_show warn "Warn" "WAIT 100" "QUIT"
run_check --dir "$show"
expect_rc 1 "a warning"
expect 2 warning "WAIT before any STCK"
run_check --quiet --dir "$show"
expect_rc 1 "--quiet with a warning"
[ -z "$out" ] || fail "--quiet printed: $out"

# Line numbers as the player's line reader counts them: LF lines, lone CR
# lines and a last lone CR, on which the reader stays for good.
show="$work/endings"
mkdir -p "$show/data"
printf 'Title\nQUIT\nXXXX\n' > "$show/data/vuze.kel"
run_check --dir "$show"
expect 3 error "unknown command 'XXXX'"
printf 'Title\rDGFX\rQUIT\r' > "$show/data/vuze.kel"
run_check --dir "$show"
expect_rc 1 "lone CR lines"
expect 2 error "no slot"
if grep -qE "^vuze\.kel:[4-9]:" <<<"$out"; then fail "lines after the last CR: $out"; fi
printf 'Title\r\nDGFX 00\x00WAIT 5\r\n' > "$show/data/vuze.kel"
run_check --dir "$show"
expect 3 warning "WAIT before any STCK"

# An empty script and a script of a title alone.
: > "$show/data/vuze.kel"
run_check --dir "$show"
expect_rc 1 "an empty script"
expect "" error "the script is empty"
printf 'Only a title' > "$show/data/vuze.kel"
run_check --dir "$show"
expect_rc 1 "a title alone"
expect "" warning "holds only its title"

# The presentation named as the player takes it, with --dir or as the one
# argument: ARGUMENTS | exit code.  "$clean" holds data/vuze.kel.
mkdir -p "$work/empty folder"
: > "$work/a file"
cases=(
    "$clean|0"
    "$clean/data|0"
    "$clean/data/|0"
    "--dir=$clean/data|0"
    "--quiet $clean|0"
    "-- $clean|0"
    "$work/empty folder|1"
    "$work/no such folder|2"
    "$work/a file|2"
    "$clean $clean|2"
    "--dir $clean $clean|2"
)
for c in "${cases[@]}"; do
    IFS='|' read -r args code <<<"$c"
    if [[ "$args" == "$work/"* ]]; then run_check "$args"; else run_check $args; fi
    expect_rc "$code" "$args"
done
run_check "$work/empty folder"
expect "" error "cannot open the script"
(cd "$clean/data" && run_check . && expect_rc 0 "the data folder as '.'" && [ "$failures" -eq 0 ]) || fail "the data folder as '.'"

# The title's bytes: TITLE | the information about it, "" for none.  UTF-8
# reads differently on Windows; ASCII and single-byte text do not concern
# the checker.
cases=(
    $'Caf\xc3\xa9 \xe2\x82\xac 5|the title is written in UTF-8 \\(.Caf\xc3\xa9 \xe2\x82\xac 5.\\).*Windows-1252, there .Caf\xc3\x83\xc2\xa9 \xc3\xa2\xe2\x80\x9a\xc2\xac 5.'
    $'\xef\xbb\xbfSt\xc3\xbcck|UTF-8 \\(.St\xc3\xbcck.\\)'
    "Plain title|"
    $'Caf\xe9 in Latin-1|'
    $'Broken \xc3\x28|'
)
for c in "${cases[@]}"; do
    IFS='|' read -r title pattern <<<"$c"
    new_show title "$title" "QUIT"
    run_check "$show"
    if [ -n "$pattern" ]; then
        expect 1 info "$pattern"
    elif grep -q "^vuze\.kel:1: info: the title is" <<<"$out"; then
        fail "information on the title '$title': $out"
    fi
done

# A script found only through the player's case-insensitive lookup.
show="$work/cases"
mkdir -p "$show/Data"
printf 'Cases\r\nQUIT\r\n' > "$show/Data/VUZE.KEL"
run_check --dir "$show"
expect_rc 1 "the script's name in another case"
expect "" warning "the script exists only as 'Data/VUZE.KEL'"
finish
