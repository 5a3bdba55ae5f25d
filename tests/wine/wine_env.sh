# Sourced by the Wine tests: a private 32-bit Wine prefix and the helpers to
# run a program in it.  The prefix lives in the build tree.

# shellcheck source=../e2e/lib/wait.sh
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/lib/wait.sh"
# shellcheck source=../e2e/lib/xvfb.sh
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/lib/xvfb.sh"

# wine_setup PREFIX_DIR: creates the prefix once (about 10 s) and exports
# what every later wine call needs.
wine_setup() {
  export WINEPREFIX="$1"
  export WINEARCH=win32
  export WINEDEBUG="${WINEDEBUG:--all}"
  # No Mono or Gecko installer: the programs need neither.
  export WINEDLLOVERRIDES="mscoree,mshtml=d"
  if ! command -v wine >/dev/null 2>&1; then
    echo "wine is not installed (scripts/test-windows.sh installs it)" >&2
    return 1
  fi
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    timeout 180 wineboot -i >/dev/null 2>&1 || true
    timeout 60 wineserver -w || true
  fi
  [ -f "$WINEPREFIX/system.reg" ] || { echo "could not create the Wine prefix $WINEPREFIX" >&2; return 1; }
}

# wine_stop: ends this prefix's Wine server and waits for it.
wine_stop() {
  wineserver -k >/dev/null 2>&1 || true
  timeout 30 wineserver -w >/dev/null 2>&1 || true
}

# wine_virtual_desktop WIDTHxHEIGHT: every program of the prefix runs in a
# virtual desktop of that size, where display modes can change (plain Xvfb
# offers only its own size).
# A program that crashes leaves its backtrace in the output instead of a
# dialog that would take the keyboard from the window under test.
wine_virtual_desktop() {
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "$1" /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  wine_stop
}

# wine_null_sound DIR: sound without a sound card, through ALSA's null
# device: HOME becomes DIR, which holds the ALSA configuration.
wine_null_sound() {
  mkdir -p "$1"
  printf 'pcm.!default { type null }\nctl.!default { type hw card 0 }\n' >"$1/.asoundrc"
  export HOME="$1"
}

# x_start WIDTHxHEIGHT PIDFILE: a virtual X server on a free display number
# (start_xvfb, with its output dropped); DISPLAY names it and PIDFILE gets
# its process id.  It does not reset when its last client goes (between two
# Wine sessions, or two xdotool calls): a client that connects during a
# reset is turned away.  True once it takes connections.
x_start() {
  local started=0
  start_xvfb "$1x24" /dev/null -noreset && started=1
  echo "$xvfb_pid" >"$2"
  if [ "$started" -eq 0 ]; then
    echo "the virtual X server did not start" >&2
    return 1
  fi
  poll 10 x_ready && return 0
  echo "the virtual X server on $DISPLAY takes no connections" >&2
  return 1
}

# wine_gtest SECONDS PROGRAM [ARGS...]: runs a GoogleTest program under Wine
# (bounded in time) and returns 0 when it ran all its tests and none
# failed.  Wine may end a finished program's last threads with SIGKILL, so
# the wine process can end "Killed" after "[  PASSED  ]": that status is
# taken for success only when the program's XML report says that it ran to
# the end and every test passed.
wine_gtest() {
  local seconds="$1" program="$2"
  shift 2
  local report status errexit=0
  report="$(mktemp -d)/report.xml"
  [[ $- == *e* ]] && errexit=1
  set +e
  timeout "$seconds" wine "$program" --gtest_color=no --gtest_output="xml:$(winepath -w "$report" 2>/dev/null)" "$@" 2>&1 |
    tr -d '\r'
  status=${PIPESTATUS[0]}
  [ "$errexit" -eq 0 ] || set -e
  if [ "$status" -eq 124 ]; then
    echo "the tests did not finish within $seconds s" >&2
    return 1
  fi
  if [ ! -s "$report" ]; then
    echo "the tests ended (status $status) without writing their report" >&2
    return 1
  fi
  local root tests failures errors
  root="$(grep -m 1 '<testsuites ' "$report")"
  tests="$(sed -n 's/.* tests="\([0-9]*\)".*/\1/p' <<<"$root")"
  failures="$(sed -n 's/.* failures="\([0-9]*\)".*/\1/p' <<<"$root")"
  errors="$(sed -n 's/.* errors="\([0-9]*\)".*/\1/p' <<<"$root")"
  rm -rf "$(dirname "$report")"
  if [ -z "$tests" ] || [ "$tests" -eq 0 ] || [ "${failures:-1}" -ne 0 ] || [ "${errors:-1}" -ne 0 ]; then
    echo "report: ${tests:-?} tests, ${failures:-?} failures, ${errors:-?} errors (status $status)" >&2
    return 1
  fi
  case "$status" in
    0) return 0 ;;
    137) echo "(all ${tests} tests passed; Wine ended the finished program with SIGKILL)"; return 0 ;;
    *) echo "all ${tests} tests passed, but the program ended with status $status" >&2; return 1 ;;
  esac
}
