#!/bin/bash
# Installs the Debian packages named in the given lists (default: the build
# list). Does nothing when they are all present; needs root otherwise.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
lists=("$@")
[ ${#lists[@]} -eq 0 ] && lists=("$here/packages.txt")
pkgs=$(grep -hv '^\s*#' "${lists[@]}" | grep -v '^\s*$' | tr '\n' ' ')
missing=()
for p in $pkgs; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
if [ "$(id -u)" -ne 0 ]; then
  echo "missing packages: ${missing[*]} (run as root to install them)" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
