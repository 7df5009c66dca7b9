#!/bin/bash
# Installs what the tests need, builds everything and runs every test
# (unit tests offscreen, the desktop end-to-end test on its own Xvfb).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
"$here/install-deps.sh" "$here/packages.txt" "$here/packages-test.txt"
"$here/build.sh" -DVAULTWICK_TESTS=ON
cd "$here/../build"
ctest --output-on-failure -j2 --timeout 600
