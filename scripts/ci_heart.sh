#!/usr/bin/env bash
# The portable heart (every folder of src/ but platform/) must build on any system: its files
# may include the C++ standard library and the project's own headers, nothing else. Each file
# is compiled with an include path that holds only those: the project's src/ and a mirror of
# exactly the system headers the standard library itself is made of. Because the standard
# library reaches some POSIX headers on its own (unistd.h, pthread.h), every header a project
# file includes directly must also resolve into src/ or into the standard library's own folders.
#   scripts/ci_heart.sh
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cxx=${CXX:-g++}
sandbox=$(mktemp -d)
trap 'rm -rf "$sandbox"' EXIT

echo "== the heart compiles with only the standard library and its own headers"

# The compiler's system include folders, in search order.
mapfile -t roots < <("$cxx" -std=c++20 -x c++ -E -v - < /dev/null 2>&1 |
    sed -n '/#include <...> search starts here:/,/End of search list./p' | sed '1d;$d;s/^ *//')
[ "${#roots[@]}" -gt 0 ] || { echo "cannot read $cxx's include folders" >&2; exit 1; }

# Every header the whole standard library opens, mirrored under the folder of the same rank,
# so that #include_next inside the library finds what it finds normally.
flags=(-std=c++20 -fsyntax-only -nostdinc -nostdinc++ -I"$root/src")
std_folders=()
for i in "${!roots[@]}"; do
    mkdir -p "$sandbox/$i"
    flags+=(-isystem "$sandbox/$i")
    # The compiler may name a mirrored header by its real path.
    case "${roots[$i]}" in */c++/*) std_folders+=("$sandbox/$i/" "${roots[$i]}/") ;; esac
done
echo '#include <bits/stdc++.h>' | "$cxx" -std=c++20 -x c++ -M - |
    tr ' \\' '\n\n' | grep '^/' | sort -u | while read -r header; do
    header=$(realpath -s "$header")
    for i in "${!roots[@]}"; do
        case "$header" in
        "${roots[$i]}"/*)
            relative=${header#"${roots[$i]}"/}
            mkdir -p "$sandbox/$i/$(dirname "$relative")"
            ln -sf "$header" "$sandbox/$i/$relative"
            break
            ;;
        esac
    done
done

failures=0
for file in "$root"/src/{app,audio,timeline,effects,display,snapshot,raster}/*.cpp; do
    name=${file#"$root"/}
    # -H lists every header opened, one dot per level of nesting.
    if ! trace=$("$cxx" "${flags[@]}" -H "$file" 2>&1); then
        echo "FAIL - $name does not compile with only the standard library and src/:"
        echo "$trace" | grep -v '^\.' | sed 's/^/    /'
        failures=$((failures + 1))
        continue
    fi
    # A header opened straight from a project file must be a project or standard header.
    stray=$(echo "$trace" | awk -v src="$root/src/" -v file="$file" -v std="${std_folders[*]}" '
        BEGIN { split(std, allowed, " "); stack[0] = file }
        /^\.+ / {
            depth = index($0, " ") - 1
            path = substr($0, depth + 2)
            stack[depth] = path
            includer = stack[depth - 1]
            if (index(includer, src) != 1 && includer != file) next
            if (index(path, src) == 1) next
            ok = 0
            for (k in allowed) if (index(path, allowed[k]) == 1) ok = 1
            if (!ok) print includer " includes " path
        }')
    if [ -n "$stray" ]; then
        echo "FAIL - $name reaches a header that is neither standard nor the project's:"
        echo "$stray" | sed "s|$sandbox/[0-9]*/||; s|$root/||g; s/^/    /"
        failures=$((failures + 1))
    fi
done

if [ "$failures" -ne 0 ]; then
    echo "$failures file(s) of the heart depend on the system"
    exit 1
fi
echo "ok   - every file of the heart"
