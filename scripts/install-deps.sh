#!/bin/sh
# Installs the Debian packages a group of jobs needs, only those missing.
#   scripts/install-deps.sh build|desktop|test|package|bench|fuzz
set -eu

# scdoc writes the manual pages.
build="cmake g++ make pkg-config libgtest-dev libbenchmark-dev python3 scdoc"
# The desktop program (Qt Widgets on X11, libcanberra for the completion sound)
# and Qt's own translations for the Chinese interfaces; what its tests start:
# an X server, a small window manager, a font with Chinese characters, another
# program that copies and pastes (xclip), one that presses keys anywhere on
# the desktop (xdotool), an assistive technology's view
# (AT-SPI through python3-pyatspi on a private session bus); rsvg-convert
# draws the icon's sizes; xprop and imagemagick's import take screenshots,
# and the desktop-entry validator and launcher (gio) judge the shortcuts.
desktop="$build qt6-base-dev qt6-qpa-plugins qt6-translations-l10n libxcb1-dev libxcb-xtest0-dev libcanberra-dev xvfb openbox fonts-wqy-microhei xclip xdotool dbus at-spi2-core python3-pyatspi librsvg2-bin"
desktop="$desktop dbus-daemon dbus-bin x11-utils imagemagick desktop-file-utils libglib2.0-bin"
# The installed layout is checked with the validators a desktop system uses,
# man, and file for the icons' sizes.
test="$desktop opencc libopencc-data manpages-zh desktop-file-utils appstream man-db file"
# Debian packages: dpkg-shlibdeps finds their dependencies, lintian checks them.
package="$test dpkg-dev lintian"
bench="$test hyperfine zh-autoconvert valgrind time"
# libFuzzer and the sanitizer runtimes come with clang's runtime library.
fuzz="$build clang libclang-rt-14-dev"

case "${1:-build}" in
build) wanted=$build ;;
desktop) wanted=$desktop ;;
test) wanted=$test ;;
package) wanted=$package ;;
bench) wanted=$bench ;;
fuzz) wanted=$fuzz ;;
*) echo "usage: $0 build|desktop|test|package|bench|fuzz" >&2; exit 2 ;;
esac

missing=""
for package in $wanted; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $package"
    fi
done
[ -z "$missing" ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1; then sudo="sudo"; else
        echo "Missing packages:$missing; run as root or install them." >&2
        exit 1
    fi
fi
echo "Installing:$missing"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
# shellcheck disable=SC2086
$sudo apt-get install -y -qq --no-install-recommends $missing >/dev/null
