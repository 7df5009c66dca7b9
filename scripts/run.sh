#!/bin/bash
# Installs what Vaultwick needs, builds it and starts it from its program folder.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
"$here/install-deps.sh" "$here/packages.txt"
"$here/build.sh" -DVAULTWICK_TESTS=OFF -DVAULTWICK_BENCH=OFF
if [ -z "${DISPLAY:-}" ]; then
  echo "Vaultwick is a desktop program: start it from a desktop session (X11), or under Xvfb with DISPLAY set." >&2
  exit 1
fi
exec "$here/../build/bin/Vaultwick"
