#!/bin/sh
# Installs the Debian packages a group of jobs needs, only those missing.
#   scripts/install-deps.sh build|desktop|test|bench|fuzz
set -eu

build="cmake g++ make pkg-config libgtest-dev libbenchmark-dev python3"
# The desktop program (Qt Widgets on X11, libcanberra for the completion sound)
# and what its tests start: an X server, a small window manager, a font with
# Chinese characters, and another program that copies and pastes (xclip).
desktop="$build qt6-base-dev qt6-qpa-plugins libxcb1-dev libxcb-xtest0-dev libcanberra-dev xvfb openbox fonts-wqy-microhei xclip"
test="$desktop opencc libopencc-data manpages-zh"
bench="$test hyperfine zh-autoconvert valgrind time"
# libFuzzer and the sanitizer runtimes come with clang's runtime library.
fuzz="$build clang libclang-rt-14-dev"

case "${1:-build}" in
build) wanted=$build ;;
desktop) wanted=$desktop ;;
test) wanted=$test ;;
bench) wanted=$bench ;;
fuzz) wanted=$fuzz ;;
*) echo "usage: $0 build|desktop|test|bench|fuzz" >&2; exit 2 ;;
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
