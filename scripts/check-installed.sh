#!/bin/sh
# Checks an installed Tessarim as a user meets it: the programs run from their
# prefix, convert the samples as iconv does, find their help, keep settings in
# the user's configuration folder and nothing beside themselves; the desktop
# entries, the AppStream file and the manual pages pass their validators.
#   scripts/check-installed.sh PREFIX [--desktop]
# PREFIX is where bin/tessarim lies (/usr for the packages).
set -eu

prefix=$1
desktop=${2:-}
samples="$(cd "$(dirname "$0")/.." && pwd)/samples"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# A user of the installed copy: own home, no test override of the settings folder.
unset TESSARIM_HOME
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" LC_ALL=C.UTF-8
mkdir -p "$HOME"
settings="$XDG_CONFIG_HOME/tessarim/"
# Our files under the prefix and what a run could leave beside them (settings,
# tables, their indexes, temporary files), to find later what the runs changed.
list_ours() {
    find "$prefix/bin" -maxdepth 1 \( -name 'tessarim*' -o -iname '*.ini' -o -name '*.dat' \
        -o -name '*.ndx' -o -name '~QX*' \) | sort
    [ ! -d "$prefix/share/tessarim" ] || find "$prefix/share/tessarim" | sort
}
list_ours >"$work/before"

# --- The command line ----------------------------------------------------------
tessarim="$prefix/bin/tessarim"
"$tessarim" --version >"$work/version" || fail "tessarim --version exits with $?"
version_line=$(head -n 1 "$work/version")
case "$version_line" in
"tessarim "[0-9]*) ;;
*) fail "tessarim --version says \"$version_line\"" ;;
esac
grep -qxF "Settings folder: $settings" "$work/version" ||
    fail "tessarim keeps its settings elsewhere than $settings: $(cat "$work/version")"

cd "$work"
for sample in gbk:GBK big5:BIG5; do
    name=${sample%%:*} code=${sample#*:}
    cp "$samples/sample_$name.txt" "in_$name.txt"
    # Unchanged characters to UTF-8: byte for byte what iconv makes of them.
    "$tessarim" "/i:$name" /o:utf8 "in_$name.txt" "out_$name.utf8" ||
        fail "converting the $code sample to UTF-8 exits with $?"
    iconv -f "$code" -t UTF-8 "in_$name.txt" >"iconv_$name.utf8"
    # Whether UTF-8 starts with a byte-order mark is a setting; the text must agree.
    sed '1s/^\xEF\xBB\xBF//' "out_$name.utf8" | cmp -s - "iconv_$name.utf8" ||
        fail "the $code sample in UTF-8 differs from iconv's"
    # Detected, and converted in place.
    cp "in_$name.txt" "inplace_$name.txt"
    "$tessarim" /o:ule "inplace_$name.txt" || fail "converting the $code sample in place exits with $?"
    iconv -f "$code" -t UTF-16LE "in_$name.txt" | { printf '\377\376'; cat; } >"iconv_$name.ule"
    cmp -s "inplace_$name.txt" "iconv_$name.ule" || fail "the $code sample detected and converted in place to UTF-16LE differs from iconv's"
done

# GBK to Big5 changes Simplified characters to Traditional, through the
# correction table the program writes into the settings folder on first use.
"$tessarim" /i:gbk /o:big5 in_gbk.txt out.big5 || fail "GBK to Big5 exits with $?"
iconv -f BIG5 -t UTF-8 out.big5 | grep -q "這一帶很有名" ||
    fail "GBK to Big5 did not give Traditional text: $(iconv -f BIG5 -t UTF-8 out.big5 | head -c 200)"
[ -s "${settings}b5fix.dat" ] || fail "no correction table was written to $settings"

status=0
"$tessarim" /o:gbk missing.txt 2>/dev/null || status=$?
[ "$status" -eq 1 ] || fail "a missing input ends with status $status, not 1"
status=0
"$tessarim" /o:nonsense in_gbk.txt 2>/dev/null || status=$?
[ "$status" -eq 2 ] || fail "an unknown code ends with status $status, not 2"

# --- The desktop program and its integration ----------------------------------
if [ "$desktop" = "--desktop" ]; then
    "$prefix/bin/tessarim-desktop" --version >"$work/desktop-version" ||
        fail "tessarim-desktop --version exits with $?"
    [ "$(head -n 1 "$work/desktop-version")" = "tessarim-desktop ${version_line#tessarim }" ] ||
        fail "the two programs give different versions: $version_line, $(head -n 1 "$work/desktop-version")"
    help=$(sed -n 's/^Help file: //p' "$work/desktop-version")
    [ "$help" = "$prefix/share/tessarim/Tessarim.html" ] ||
        fail "the desktop program looks for its help at \"$help\""
    grep -q 'id="context-' "$help" 2>/dev/null || fail "the help file $help has no help contexts"
    grep -qxF "Settings folder: $settings" "$work/desktop-version" ||
        fail "tessarim-desktop keeps its settings elsewhere than $settings"

    applications="$prefix/share/applications"
    for entry in "$applications/org.tessarim.Tessarim.desktop" "$applications/org.tessarim.TessarimFiles.desktop"; do
        desktop-file-validate "$entry" || fail "$entry is not a valid desktop entry"
        program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
        [ -x "$prefix/bin/$program" ] || fail "$entry starts \"$program\", which is not installed"
        icon=$(sed -n 's/^Icon=//p' "$entry")
        [ -f "$prefix/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "$entry names the icon \"$icon\", which is not installed"
    done
    grep -q '^Exec=tessarim-desktop %F$' "$applications/org.tessarim.TessarimFiles.desktop" ||
        fail "the Open With entry does not hand the files to the program"
    for size in 16 22 24 32 48 64 128 256; do
        png="$prefix/share/icons/hicolor/${size}x$size/apps/org.tessarim.Tessarim.png"
        file "$png" | grep -q "PNG image data, $size x $size," || fail "$png is not a $size x $size picture"
    done
    appstreamcli validate --strict --no-net "$prefix/share/metainfo/org.tessarim.Tessarim.metainfo.xml" >"$work/appstream" 2>&1 ||
        fail "the AppStream file is not valid: $(cat "$work/appstream")"
fi

# --- Manual pages --------------------------------------------------------------
pages="tessarim"
[ "$desktop" != "--desktop" ] || pages="$pages tessarim-desktop"
# Minimal systems (Debian's container images) tell dpkg to leave manual pages out.
if [ "$prefix" = /usr ] && grep -qs '^path-exclude=*/usr/share/man' /etc/dpkg/dpkg.cfg.d/*; then
    echo "dpkg leaves manual pages out on this system; they are checked in the build." >&2
    pages=""
fi
for page in $pages; do
    file="$prefix/share/man/man1/$page.1.gz"
    # Warnings of man's formatter, on a page of a width where nothing needs hyphenating by hand.
    warnings=$(MANWIDTH=80 man --warnings -l "$file" 2>&1 >/dev/null) || fail "man cannot show $file"
    [ -z "$warnings" ] || fail "$file: $warnings"
    MANWIDTH=80 man -l "$file" 2>/dev/null | grep -q "EXIT STATUS" || fail "$file has no EXIT STATUS section"
done

list_ours >"$work/after"
cmp -s "$work/before" "$work/after" || fail "running the programs changed the installed files: $(diff "$work/before" "$work/after")"

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed for the installation in $prefix" >&2
    exit 1
fi
echo "The installation in $prefix works."
