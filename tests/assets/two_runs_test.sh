#!/usr/bin/env bash
# Two runs of vorel_assets into fresh folders write the same set of files with the same bytes,
# the set holds every entry the screensaver asks for, and it fits the archive's 16 MiB.
set -euo pipefail
tool=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$tool" "$work/a" >/dev/null
"$tool" "$work/b" >/dev/null
diff -r "$work/a" "$work/b"
for v in caust causty caustb caustg; do
  for n in 01 02 03 04 05 06 07 08 09 10 11 12 13 14 15 16; do
    test -s "$work/a/$v$n.bmp" || { echo "missing $v$n.bmp"; exit 1; }
  done
done
for f in sting01.bmp logo.bmp capsid07.bmp cage08.bmp vorel01{0,1,2}.3d vorel07{0,1,2}.3d vorel08{0,1,2}.3d; do
  test -s "$work/a/$f" || { echo "missing $f"; exit 1; }
done
bytes=$(cat "$work"/a/* | wc -c)
if [ "$bytes" -ge $((16 * 1024 * 1024)) ]; then echo "the set is $bytes bytes, more than 16 MiB"; exit 1; fi
"$tool" --pak "$work/one.pak" >/dev/null
"$tool" --pak "$work/two.pak" >/dev/null
cmp "$work/one.pak" "$work/two.pak"
size=$(stat -c %s "$work/one.pak")
if [ "$size" -ge $((16 * 1024 * 1024)) ]; then echo "the archive is $size bytes, more than 16 MiB"; exit 1; fi
echo "two runs agree on $(ls "$work/a" | wc -l) entries"
