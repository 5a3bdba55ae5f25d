#!/usr/bin/env bash
# Runs the unit tests built for Windows under Wine.
# Usage: unit_tests.sh PATH/TO/rodazaro_tests.exe
#
# Left out, because they observe Linux itself: which files the kernel saw
# opened (inotify), the count of open descriptors (/proc/self/fd: under
# Wine it lists Wine's own descriptors too, which its threads open and
# close at any moment), the
# mapping of script paths onto a case-sensitive file system, and a script
# that grows while it is open for reading (Windows refuses the writer: the
# file is opened shared for reading only).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
exe="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
build="$(cd "$(dirname "$exe")/.." && pwd)"
# shellcheck source=wine_env.sh
source "$here/wine_env.sh"
wine_setup "${RODAZARO_WINEPREFIX:-$build/wine/prefix}"
trap wine_stop EXIT

linux_only=(
  # inotify
  'InterpreterTest.ANegativeSlotDoesNothing'
  'InterpreterTest.GraphicNamesStartAtPositionNine'
  'InterpreterTest.SoundNamesAlwaysStartAtPositionEight'
  # /proc/self/fd
  'TextFilesTest.OpeningANumberAgainClosesItsFirstFile'
  'TextFilesTest.ClosingTheCurrentFileStopsReading'
  'TextFilesTest.DynamicAndInvalidNumbers'
  'MainLoopTest.ShutdownEndsWithExitCodeZero'
  # case-sensitive file system
  'TextFilesTest.ScriptPathsUseBackslashesAndAnyCase'
  # writing to the open script
  'TextFilesTest.ALoneCrAtTheEndKeepsThePositionOnIt'
  'TextFilesTest.CrLfAtTheEndIsOneLineEnd'
  'MainLoopTest.AfterTheLastLineTheLoopGoesOnReadingOneLinePerTurn'
  'Table/DecodeAheadCases.LoadsTakeOnlyTheirOwnUnchangedFile/ScriptGrowsWhileItPlays'
)
filter="-$(IFS=:; echo "${linux_only[*]}")"

cd "$build"
wine_gtest 540 "$exe" --gtest_filter="$filter"
