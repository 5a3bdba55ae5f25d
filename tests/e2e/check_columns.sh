#!/bin/bash
# rodazaro-check: command words and fixed columns, read as the player reads them.
source "$(dirname "$0")/check_common.inc"

new_show columns \
    "Columns" \
    "LGFX 00 a.bmp" \
    "LGFX   1 a.bmp" \
    "SGFX 00 0.5 0.5" \
    "SGFX 00 -0.250 0.000" \
    "MGFX 00 0.001x 0.0" \
    "AGFX 00 300" \
    "SGFX 0a 0.000 0.000" \
    "SGFX -1 0.000 0.000" \
    "XGFX 00" \
    "  SGFX 00 0.000 0.000" \
    "ab" \
    "sgfx 00 0.250 -.250" \
    "SGFX 00 abcde" \
    "DGFX" \
    $'SGFX\t00 0.000 0.000' \
    "LSND 12 a.wav" \
    "PSND" \
    "MGFX 00 0.0001 -0.002" \
    "SGFX 00 0.000 0.000 logo" \
    "SGFX 00 0.000 0.000 1" \
    "ZGFX 00 1e99" \
    "EGFX 00 -1" \
    "QUIT" \
    "DGFX 00"
write_bmp "$show/data/gfx/a.bmp"
write_wav "$show/data/sound/a.wav"
run_check --dir "$show"
expect_rc 1 "errors in the script"
expect_clean 2 13 19
# A slot written one column too far right: columns 6-7 are blank, the digit
# at column 8 is not read, and the name gains a leading space.
expect 3 error "no slot \(columns 6-7\): LGFX addresses slot 0"
expect 3 error "column 8 holds '1', which the player does not read"
expect 3 error "not found; 'a.bmp' exists: the name is everything from column 9"
# Real fields of five characters: "0.5 0" reads 0.5, the "." at column 14
# is lost and y reads as 5.
expect 4 error "x \(columns 9-13\) holds '0.5 0': only '0.5' is read, as 0.5"
expect 4 error "column 14 holds '.', which the player does not read \(SGFX reads slot 6-7, x 9-13, y 15-19\)"
expect 5 error "column 14 holds '0', which the player does not read"
expect 6 warning "dx \(columns 9-14\) holds '0.001x': only '0.001' is read"
expect 7 warning "alpha 300 is outside 0-255: .* draws as 44"
expect 8 warning "slot \(columns 6-7\) holds '0a': only '0' is read, as 0"
expect 9 error "slot -1 is negative: the player ignores this SGFX"
expect 10 error "unknown command 'XGFX'"
expect 11 error "unknown command .*must begin in column 1"
expect 12 warning "too short to be a command"
expect 14 error "x \(columns 9-13\) holds 'abcde', which is not a number"
expect 15 error "no slot \(columns 6-7\): DGFX addresses slot 0"
expect 16 warning "tab at column 5"
expect 17 error "column 7 holds '2', which the player does not read"
expect 18 error "no sound number \(column 6\): PSND uses sound 0"
expect 20 info "columns 21-24 hold 'logo', which the player does not read"
expect 21 error "column 21 holds '1', which the player does not read"
expect 22 error "dzoom \(columns 9-14\) holds '1e99', which is too large"
expect 23 error "target slot -1 is negative"
expect 25 info "never run: QUIT at line 24"
if grep -q "^vuze\.kel:10: .*did you mean" <<<"$out"; then fail "a suggestion for XGFX, one letter from seven commands"; fi

# Comment lines, and the nearest command for a word the player does not
# know: LINE | the finding, "" for none (a comment is no finding at all).
cases=(
    "# a comment|"
    "#LGFX 00 a.bmp|"
    "#|"
    "SFGX 00 0.000 0.000|error|unknown command 'SFGX': the line does nothing \\(did you mean SGFX\\?\\)"
    "STICK|error|unknown command 'STIC'.*\\(did you mean STCK\\?\\)"
    "wiat 100|error|unknown command 'wiat'.*\\(did you mean WAIT\\?\\)"
    "QUT|warning|too short to be a command.*\\(did you mean QUIT\\?\\)"
    "LSDN 0 a.wav|error|\\(did you mean LSND\\?\\)"
    "SGF03 0.000 0.000|error|\\(did you mean SGFX\\?\\)"
    "SBMB 00 0.000 0.000|error|\\(did you mean SBMP\\?\\)"
    "PLAY 0|error|unknown command 'PLAY': the line does nothing\$"
    "STOP|error|unknown command 'STOP': the line does nothing\$"
)
lines=()
for c in "${cases[@]}"; do lines+=("${c%%|*}"); done
new_show words "Words" "LGFX 00 a.bmp" "${lines[@]}" "QUIT"
write_bmp "$show/data/gfx/a.bmp"
write_wav "$show/data/sound/a.wav"
run_check "$show"
for i in "${!cases[@]}"; do
    IFS='|' read -r _ kind pattern <<<"${cases[$i]}"
    line=$((i + 3))
    if [ -z "$kind" ]; then
        if grep -qE "^vuze\.kel:$line:" <<<"$out"; then fail "a finding on the comment at line $line: $out"; fi
    else
        expect "$line" "$kind" "$pattern"
    fi
done
finish
