#!/bin/sh
# Converts the bundled samples and shows a before/after excerpt in UTF-8.
set -eu
tessarim=$1
here=$(cd "$(dirname "$0")/.." && pwd)
out="$(dirname "$tessarim")/samples-out"
mkdir -p "$out"

excerpt() { # file code: the first paragraphs of a file, shown in UTF-8 through tessarim itself
    "$tessarim" "/i:$2" /o:utf8 /f:d "$1" "$out/excerpt.txt"
    sed 's/^\xEF\xBB\xBF//' "$out/excerpt.txt" | grep -v '^[[:space:]]*$' | head -n 3
}

show() { # title input code-in output code-out
    echo "== $1"
    "$tessarim" "/i:$3" "/o:$5" "$2" "$4"
    echo "-- before ($3, $(wc -c <"$2") bytes): $2"
    excerpt "$2" "$3"
    echo "-- after ($5, $(wc -c <"$4") bytes): $4"
    excerpt "$4" "$5"
    echo
}

show "GBK to Big5 (Simplified to Traditional)" "$here/samples/sample_gbk.txt" gbk "$out/sample_gbk.big5.txt" big5
show "Big5 to GBK (Traditional to Simplified)" "$here/samples/sample_big5.txt" big5 "$out/sample_big5.gbk.txt" gbk
rm -f "$out/excerpt.txt"
echo "Converted files are in $out"
