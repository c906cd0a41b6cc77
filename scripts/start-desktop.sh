#!/bin/sh
# Starts the desktop program when there is an X display; otherwise says how.
set -eu
tessarim=$1
if [ -z "${DISPLAY:-}" ]; then
    echo "No X display here. In an X11 session (or XWayland), start the desktop program"
    echo "by running the program without arguments: $tessarim"
    exit 0
fi
echo "Starting the desktop program: the Tessarim bar docks at the top of the screen."
echo "(A second start only brings the running bar forward; close it with its X button.)"
# Detached, so that make returns while the bar stays.
setsid "$tessarim" </dev/null >/dev/null 2>&1 &
