#!/usr/bin/env bash
# Installs the Debian packages listed in scripts/packages.txt, or in the
# list files given as arguments.  Quick and silent when everything is there
# already.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
lists=("$@")
[ ${#lists[@]} -eq 0 ] && lists=("$here/packages.txt")
mapfile -t packages < <(cat "${lists[@]}" | grep -v '^\s*#' | grep -v '^\s*$')

# shellcheck source=debian-sources.inc
source "$here/debian-sources.inc"
install_missing "${packages[@]}"
