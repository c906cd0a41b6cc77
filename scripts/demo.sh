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
# Words that one character cannot decide: the correction tables written into
# the settings folder on the first run pick the right form from the context.
echo "== Words the character tables alone get wrong (GBK to Big5, Big5 to GBK)"
printf '%s\n' "头发 发展 以后 皇后 干燥 干部 干涉 这里 公里 面条 面子 他在会上开头发言" >"$out/words.txt"
"$tessarim" /i:utf8 /o:gbk "$out/words.txt" "$out/words.gbk"
"$tessarim" /i:gbk /o:big5 "$out/words.gbk" "$out/words.big5"
"$tessarim" /i:big5 /o:gbk "$out/words.big5" "$out/words.back.gbk"
echo "-- GBK:  $(excerpt "$out/words.gbk" gbk)"
echo "-- Big5: $(excerpt "$out/words.big5" big5)"
echo "-- back: $(excerpt "$out/words.back.gbk" gbk)"
echo
rm -f "$out/excerpt.txt" "$out/words.txt"
echo "Converted files are in $out"
