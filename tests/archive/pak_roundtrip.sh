#!/bin/sh
# vorel_pak round trip: the extracted entries equal the packed files; bad input fails clearly.
set -u
pak="$1"
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

printf 'first entry' > "$dir/a.bmp"
head -c 100000 /dev/urandom > "$dir/B.3d"
: > "$dir/empty.bin"
"$pak" create "$dir/out.pak" "$dir/a.bmp" "$dir/B.3d" "$dir/empty.bin" || fail "create"

"$pak" list "$dir/out.pak" > "$dir/list.txt" || fail "list"
printf 'a.bmp\t8\t11\nB.3d\t19\t100000\nempty.bin\t100019\t0\n' > "$dir/expected.txt"
cmp -s "$dir/list.txt" "$dir/expected.txt" || fail "listing differs: $(cat "$dir/list.txt")"

"$pak" extract "$dir/out.pak" b.3D "$dir/b.out" || fail "extract"
cmp -s "$dir/B.3d" "$dir/b.out" || fail "extracted bytes differ"
"$pak" extract "$dir/out.pak" empty.bin "$dir/e.out" || fail "extract empty"
[ -f "$dir/e.out" ] && [ ! -s "$dir/e.out" ] || fail "empty entry"

"$pak" extract "$dir/out.pak" missing.bmp "$dir/m.out" 2> "$dir/err.txt" && fail "missing entry accepted"
grep -q "no entry named missing.bmp" "$dir/err.txt" || fail "missing entry message"
"$pak" list "$dir/none.pak" 2> /dev/null && fail "listing a missing archive succeeded"
[ -e "$dir/none.pak" ] && fail "listing created an archive"

long=$(printf '%0120d' 0)
printf x > "$dir/$long"
"$pak" create "$dir/bad.pak" "$dir/a.bmp" "$dir/$long" 2> "$dir/err.txt" && fail "long name accepted"
grep -q "longer than 99" "$dir/err.txt" || fail "long name message"
[ -e "$dir/bad.pak" ] && fail "failed create left an archive"
mkdir "$dir/sub"; printf y > "$dir/sub/A.BMP"
"$pak" create "$dir/dup.pak" "$dir/a.bmp" "$dir/sub/A.BMP" 2> /dev/null && fail "duplicate names accepted"
"$pak" create "$dir/gone.pak" "$dir/nothing-here" 2> /dev/null && fail "missing input accepted"
"$pak" bogus 2> /dev/null; [ $? -eq 2 ] || fail "bad usage exit status"
"$pak" --help | grep -q "vorel_pak create" || fail "help"
echo "vorel_pak round trip passed"
