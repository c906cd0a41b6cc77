#!/bin/sh
# Builds the Debian packages and puts them through what a user's system does
# with them: lintian, apt-get install, the installed programs at work, removal.
# It installs into /usr (as root, or through sudo), so it is meant for a
# machine kept for it, such as CI:
#   scripts/check-packages.sh [BUILD_FOLDER]
set -eu
cd "$(dirname "$0")/.."
build=${1:-build}

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1; then sudo="sudo"; else
        echo "$0 installs packages system-wide: run it as root or with sudo available." >&2
        exit 2
    fi
fi
for package in tessarim tessarim-desktop; do
    if dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed"; then
        echo "$package is installed already; this check needs a machine without it." >&2
        exit 2
    fi
done

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

rm -f "$build"/tessarim*.deb
cmake --build "$build" --target package -- -j"$(nproc)" >/dev/null
cli=$(realpath "$build"/tessarim_*_amd64.deb)
gui=$(realpath "$build"/tessarim-desktop_*_amd64.deb)
ls -l "$cli" "$gui"

# Warnings lintian may raise are overridden in the packages with their reason;
# anything else fails.
lintian --allow-root --fail-on error,warning --display-info "$cli" "$gui" || fail "lintian"

# The command line must install on a system without any desktop library.
depends=$(dpkg-deb -f "$cli" Depends)
case "$depends" in
*libQt* | *libxcb* | *libcanberra* | *libX*) fail "tessarim depends on desktop libraries: $depends" ;;
esac
dpkg-deb -f "$gui" Depends | grep -q 'libqt6widgets6' || fail "tessarim-desktop does not depend on Qt: $(dpkg-deb -f "$gui" Depends)"

# What the system folders a package may touch hold, before and after, leaving
# out the package manager's own records, logs and caches.
snapshot() {
    find /usr /etc /opt /var \( -path /var/tmp -o -path /var/log -o -path /var/cache \
        -o -path /var/lib/apt -o -path /var/lib/dpkg \) -prune -o -print 2>/dev/null | sort
}
snapshot >/tmp/tessarim-before.txt

export DEBIAN_FRONTEND=noninteractive
$sudo apt-get install -y -qq "$cli" "$gui" >/dev/null
owned=$(dpkg -L tessarim tessarim-desktop | sort -u)

scripts/check-installed.sh /usr --desktop || fail "the installed programs"

$sudo apt-get purge -y -qq tessarim tessarim-desktop >/dev/null
for path in $owned; do
    [ -d "$path" ] || [ ! -e "$path" ] || fail "$path is left after removal"
done
[ ! -e /usr/share/tessarim ] || fail "/usr/share/tessarim is left after removal"
snapshot >/tmp/tessarim-after.txt
if ! cmp -s /tmp/tessarim-before.txt /tmp/tessarim-after.txt; then
    # Caches the system rebuilds by triggers (icons, desktop and MIME data, man) may differ.
    diff /tmp/tessarim-before.txt /tmp/tessarim-after.txt |
        grep '^[<>]' | grep -v -e 'icon-theme.cache' -e '/mimeinfo.cache' -e 'desktop.*cache' >/tmp/tessarim-diff.txt || true
    [ ! -s /tmp/tessarim-diff.txt ] || fail "installing and removing changed: $(cat /tmp/tessarim-diff.txt)"
fi
rm -f /tmp/tessarim-before.txt /tmp/tessarim-after.txt /tmp/tessarim-diff.txt

if [ "$failures" -ne 0 ]; then
    echo "$failures package check(s) failed" >&2
    exit 1
fi
echo "The packages install, work and remove cleanly."
