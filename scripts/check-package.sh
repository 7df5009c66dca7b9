#!/bin/bash
# Builds the Debian package and checks it as a user's machine meets it:
# lintian finds no errors or warnings, the desktop entry and the AppStream
# metainfo are valid, apt-get installs it with its dependencies, the installed program
# goes through its first run under Xvfb (tests/e2e/scenarios/commands.sh),
# and apt-get removes it again. As root: it installs packages.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/.." && pwd)"
build="$root/build"

"$here/install-deps.sh" "$here/packages.txt" "$here/packages-test.txt"
"$here/build.sh"
cd "$build"
rm -f vaultwick_*.deb
cpack -G DEB >cpack.log 2>&1 || { cat cpack.log >&2; exit 1; }
debs=(vaultwick_*_amd64.deb)
deb=${debs[0]}
echo "package: $deb"

lintian --fail-on error,warning "$deb"

unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked"
desktop-file-validate "$unpacked"/usr/share/applications/*.desktop
appstreamcli validate --no-net "$unpacked"/usr/share/metainfo/*.metainfo.xml

export DEBIAN_FRONTEND=noninteractive
apt-get install -y -qq --no-install-recommends "./$deb"
if ldd /usr/bin/Vaultwick | grep -q 'not found'; then
  ldd /usr/bin/Vaultwick >&2
  echo "the installed program misses libraries" >&2
  exit 1
fi
status=0
E2E_OUT="$build/package-e2e" bash "$root/tests/e2e/run_e2e.sh" \
  "$root/tests/e2e/scenarios/commands.sh" /usr/bin/Vaultwick installed || status=$?
apt-get remove -y -qq vaultwick
if [ -e /usr/bin/Vaultwick ] || compgen -G "/usr/lib/*/vaultwick" >/dev/null || [ -d /usr/lib/vaultwick ] ||
  [ -d /usr/share/vaultwick ]; then
  echo "files of the package are left after its removal" >&2
  exit 1
fi
exit "$status"
