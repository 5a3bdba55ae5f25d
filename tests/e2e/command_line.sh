#!/bin/bash
# The player's command line before anything is shown: --help and --version
# print and exit 0; a wrong option or a second presentation prints one line
# and a hint on stderr and exits 2; a presentation without data/vuze.kel is
# one line and exit 2. None of these opens a window.
#
# Usage: command_line.sh <path-to-rodazaro> <source-dir>
set -u
player=$(realpath "${1:?path to the player}")
# shellcheck source=lib/xvfb.sh
source "$(dirname "$0")/lib/xvfb.sh"
# shellcheck source=lib/cases.sh
source "$(dirname "$0")/lib/cases.sh"

# The player as the cases run it: no display, bounded to 10 s.
under_test() {
    env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER timeout 10 "$player" "$@"
}

mkdir -p "$work/no_show"
check help 0 out "Usage: rodazaro \[OPTIONS\] \[PRESENTATION\]" any -- --help
check version 0 out "^rodazaro [0-9][0-9.]*$" 1 -- --version
check unknown-option 2 err "unknown option '--bogus'" 2 -- --bogus
check two-presentations 2 err "one too many" 2 -- a b
check no-script 2 err "no_show holds no data/vuze.kel" 1 -- no_show
check missing-folder 2 err "missing holds no data/vuze.kel" 1 -- missing

# No display and no video driver chosen: one line, exit 1, before any
# window or sound is opened.
mkdir -p "$work/show/data"
printf 'Title\r\nQUIT\r\n' > "$work/show/data/vuze.kel"
check no-display 1 err "no display" 1 -- show
check no-display-in-place 1 err "no display" 1 -- show/data

# --mode plays at once in that mode: on a display where the launcher would
# wait for a choice, a show that only quits ends by itself with 0.
if command -v Xvfb > /dev/null; then
    if start_xvfb 1024x768x24 /dev/null; then
        (cd "$work" && SDL_AUDIODRIVER=dummy timeout 20 "$player" --mode 640x480x16 show > out 2> err)
        got=$?
    else
        got="none: the virtual X server did not start"
    fi
    kill "$xvfb_pid" 2> /dev/null
    if [ "$got" = 0 ]; then
        echo "ok: mode-without-launcher"
    else
        fail "mode-without-launcher: exit status $got (stderr: $(cat "$work/err"))"
    fi
fi

finish "PASS: the command line"
