#!/usr/bin/env bash
# Lays out the C++ sources (every *.cpp and *.h that git tracks) by the
# tree's .clang-format.
#
# Usage: scripts/format.sh [--check] [FILE...]
#   (default)  rewrites the files that differ from the layout, in place
#   --check    changes nothing; lists the files that differ and exits 1
#              when there is one
#   FILE...    only these files (paths from the top of the tree)
#
# The layout was measured with clang-format 14 (Debian 12's clang-format);
# other versions lay out a few constructs differently.  CLANG_FORMAT names
# another binary.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

check=0
if [ "${1:-}" = --check ]; then
  check=1
  shift
fi
case "${1:-}" in
  -h|--help) sed -n '2,13s/^# \{0,1\}//p' "${BASH_SOURCE[0]}"; exit 0 ;;
  -*) echo "format.sh: unknown option '$1' (usage: scripts/format.sh [--check] [FILE...])" >&2; exit 2 ;;
esac

tool="${CLANG_FORMAT:-clang-format}"
if ! command -v "$tool" >/dev/null 2>&1; then
  echo "format.sh: '$tool' is not installed; scripts/setup.sh installs it" \
       "(package clang-format, listed in scripts/packages.txt)" >&2
  exit 1
fi

cd "$root"
if [ $# -gt 0 ]; then
  files=("$@")
else
  if ! git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    echo "format.sh: $root is not a git checkout; name the files to lay out" >&2
    exit 1
  fi
  mapfile -t files < <(git ls-files -- '*.cpp' '*.h')
fi
if [ ${#files[@]} -eq 0 ]; then
  echo "format.sh: no C++ sources found under $root" >&2
  exit 1
fi
for f in "${files[@]}"; do
  if [ ! -f "$f" ]; then
    echo "format.sh: no file '$f' under $root" >&2
    exit 1
  fi
done

# One dry run over all the files: clang-format names each file it would
# change ("FILE:LINE:COL: error: code should be clang-formatted").
status=0
report="$("$tool" --style=file --dry-run --Werror --ferror-limit=1 "${files[@]}" 2>&1)" || status=$?
mapfile -t differ < <(printf '%s\n' "$report" |
  sed -n 's/^\(.*\):[0-9]*:[0-9]*: error: code should be clang-formatted.*/\1/p' | uniq)
if [ $status -ne 0 ] && [ ${#differ[@]} -eq 0 ]; then
  # Failed without naming a file to change: a bad .clang-format or an
  # unreadable file.
  printf '%s\n' "$report" | head -n 20 >&2 || true
  echo "format.sh: $tool failed (status $status)" >&2
  exit 1
fi

if [ $check -eq 1 ]; then
  if [ ${#differ[@]} -gt 0 ]; then
    printf '%s\n' "${differ[@]}"
    echo "format.sh: ${#differ[@]} of ${#files[@]} files differ from .clang-format" \
         "($("$tool" --version | head -n 1)); run scripts/format.sh to lay them out" >&2
    exit 1
  fi
  exit 0
fi

[ ${#differ[@]} -eq 0 ] && exit 0
"$tool" --style=file -i "${differ[@]}"
printf 'formatted %s\n' "${differ[@]}"
