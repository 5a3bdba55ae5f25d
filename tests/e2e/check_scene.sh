#!/bin/bash
# rodazaro-check: slots, sounds and the script clock as the script uses them.
source "$(dirname "$0")/check_common.inc"

# Slots: loads, shows and the run of loaded slots from slot 0.
new_show slots \
    "Slots" \
    "LGFX 00 a.bmp" \
    "LBMP 01 a.bmp" \
    "LGFX 03 a.bmp" \
    "SGFX 01 0.000 0.000" \
    "SBMP 05 0.000 0.000" \
    "MGFX 07 0.001 0.000" \
    "EGFX 00 09" \
    "SGFX 00 0.000 0.000" \
    "SGFX 04 0.500 0.500" \
    "SBMP 01 0.000 0.000" \
    "PSND 3" \
    "LGFX 04 a.bmp" \
    "AGFX 01 128" \
    "EGFX 00 01" \
    "QUIT"
write_bmp "$show/data/gfx/a.bmp"
run_check --dir "$show"
expect_rc 1 "slot problems"
expect_clean 2 3 9 11
expect 4 warning "slot 3 is never moved or drawn: slot 2 is never loaded"
expect 5 warning "slot 1 was loaded with LBMP .* SGFX shows it as a 3D sprite, which draws nothing"
expect 6 warning "slot 5 is never loaded .*: SBMP shows nothing"
expect 7 warning "slot 7 is never loaded .*: MGFX has no visible effect"
expect 8 warning "slot 9 is never loaded .*: EGFX has no visible effect"
expect 10 info "slot 4 is shown before it is loaded \(line 13\)"
expect 12 warning "sound 3 is played but never loaded"
expect 13 warning "slot 4 is never moved or drawn: slot 2 is never loaded"
expect 14 info "plain sprite \(LBMP\): alpha changes only 3D sprites"
# EGFX copies slot 0's 3D mode onto slot 1, which holds a plain sprite.
expect 15 warning "slot 1 was loaded with LBMP .* EGFX shows it as a 3D sprite"
if grep -qE "^vuze\.kel: info: .*no QUIT" <<<"$out"; then fail "QUIT was not seen"; fi

# A gap that a later load fills: the slot is hidden only until then.
new_show gap \
    "Gap" \
    "LGFX 00 a.bmp" \
    "LGFX 02 a.bmp" \
    "SGFX 02 0.000 0.000" \
    "LGFX 01 a.bmp" \
    "LSND 0 a.wav" \
    "PSND 1" \
    "LSND 1 a.wav" \
    "PSND 0" \
    "QUIT"
write_bmp "$show/data/gfx/a.bmp"
write_wav "$show/data/sound/a.wav"
run_check --dir "$show"
expect_rc 1 "a temporary gap"
expect 4 warning "slot 2 is shown, but slot 1 is not loaded until line 5: .* neither moved nor drawn until then"
expect 7 warning "sound 1 is played before it is loaded \(line 8\)"
expect_clean 2 3 5 6 8 9
if grep -q "never moved or drawn" <<<"$out"; then fail "a filled gap reported as permanent"; fi

# The script clock: WAIT against STCK, waits that go back in time.
new_show waits \
    "Waits" \
    "WAIT 1000" \
    "STCK" \
    "WAIT 2000" \
    "WAIT 1500" \
    "WFOR 1000" \
    "WAIT 3000" \
    "WAIT 4000" \
    "WAIT" \
    "WAIT 0" \
    "WAIT 5000x" \
    "WFOR abc" \
    "STCK" \
    "WAIT 1000" \
    "WAIT5000" \
    "WFOR -20" \
    "WAIT 99999999999" \
    "QUIT"
run_check --dir "$show"
expect_rc 1 "wait problems"
expect 2 warning "WAIT before any STCK"
expect 5 warning "WAIT 1500 is not later than the 2000 ms after STCK that line 4 already waited for"
expect 7 warning "WAIT 3000 is not later than the 3000 ms after STCK that line 6 already waited for"
expect 9 warning "WAIT without a time sets no wait"
expect 10 warning "WAIT 0 sets no wait"
expect 11 warning "time \(from column 6 on\) holds '5000x': only '5000' is read"
expect 12 error "time \(from column 6 on\) holds 'abc', which is not a number"
expect 15 error "column 5 holds '5', which the player does not read"
expect 15 warning "WAIT 0 sets no wait"
expect 16 warning "WFOR -20 is a negative time"
expect 17 error "too large for 32 bits"
expect_clean 3 4 6 8 13 14 18

# The title line is never run.
new_show title "LGFX 00 a.bmp" "SGFX 00 0.000 0.000"
write_bmp "$show/data/gfx/a.bmp"
run_check --dir "$show"
expect 1 warning "line 1 is the title and is never run, but it reads as the command LGFX"
expect 2 warning "slot 0 is never loaded"
expect "" info "no QUIT"
finish
