#!/usr/bin/env bash
# Checks of the code's shape that the compiler does not make:
# 1. The portable heart (app, audio, timeline, effects, display, snapshot, raster) must build on
#    any system: its files may include the C++ standard library and the project's own headers,
#    nothing else. Each file is compiled with an include path that holds only those: the
#    project's src/ and a mirror of exactly the system headers the standard library itself is
#    made of. Because the standard library reaches some POSIX headers on its own (unistd.h,
#    pthread.h), every header a project file includes directly must also resolve into src/ or
#    into the standard library's own folders.
# 2. The heart keeps no mutable global or file-static variable: the state of a run lives in the
#    objects its routines are handed. Its compiled files may hold constants only.
# 3. No include goes back up the floors: raster < effects, display, snapshot < timeline < audio
#    < app; the platform layer, the trace and the command-line conventions sit below the heart
#    and include none of it (but for a back end's entry point); src/ never includes tools/ or
#    tests/, and tools/ never includes tests/.
# 4. Every C++ file is formatted as .clang-format says.
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
mkdir -p "$sandbox/objects"
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

echo "== the heart keeps no mutable global or file-static variable"
# Objects in writable data (.data, .bss and their thread-local kinds) are variables; constants
# sit in .rodata, or in .data.rel.ro when they hold addresses.
for file in "$root"/src/{app,audio,timeline,effects,display,snapshot,raster}/*.cpp; do
    name=${file#"$root"/}
    "$cxx" -std=c++20 -O1 -I"$root/src" -c -o "$sandbox/objects/$(echo "$name" | tr / _).o" "$file"
done
mutable=$(for object in "$sandbox"/objects/*.o; do
    objdump -t "$object" | awk -v f="$(basename "$object" .o)" '
        $0 ~ / O / && $4 ~ /^\.(data|bss|tdata|tbss)/ && $4 !~ /^\.data\.rel\.ro/ &&
        $NF !~ /__gxx_personality/ { print "    " f ": " $NF }'
done)
if [ -n "$mutable" ]; then
    echo "FAIL - variables outside the run's objects (demangled):"
    echo "$mutable" | c++filt
    exit 1
fi
echo "ok   - constants only"

echo "== includes go down the floors only"
# The floor of a folder of src/; the folders of floor 0 include none of the heart.
floor() {
    case $1 in
    raster) echo 1 ;;
    effects | display | snapshot) echo 2 ;;
    timeline) echo 3 ;;
    audio) echo 4 ;;
    app) echo 5 ;;
    *) echo 0 ;;
    esac
}
upward=0
while IFS= read -r file; do
    name=${file#"$root"/}
    top=${name%%/*}   # src, tools or tests
    rest=${name#*/}
    folder=${rest%%/*} # the folder under src/ (or the file itself at its top)
    while IFS= read -r included; do
        first=${included%%/*}
        where=""
        for base in src tools tests; do
            if [ -e "$root/$base/$first" ]; then where=$base; break; fi
        done
        [ -n "$where" ] || continue # a header beside the file
        problem=""
        if [ "$top" = src ] && [ "$where" != src ]; then
            problem="src/ includes $where/"
        elif [ "$top" = tools ] && [ "$where" = tests ]; then
            problem="tools/ includes tests/"
        elif [ "$top" = src ] && [ "$name" != src/main.cpp ] && [ "$name" != src/platform/web/main.cpp ]; then
            from=$(floor "$folder")
            to=$(floor "$first")
            if [ "$first" != "$folder" ]; then
                if [ "$from" -eq 0 ] && [ "$to" -gt 0 ]; then
                    problem="$folder/ is below the heart"
                elif [ "$from" -gt 0 ] && [ "$to" -ge "$from" ]; then
                    problem="$first/ is not below $folder/"
                elif [ "$from" -gt 0 ] && [ "$to" -eq 0 ] && [ "$first" != platform ]; then
                    problem="the heart includes $first/"
                elif [ "$from" -gt 0 ] && [ "$first" = platform ] &&
                     [[ "$included" == platform/*/* ]]; then
                    problem="the heart includes a back end's header"
                fi
            elif [ "$folder" = platform ] && [[ "$rest" == platform/*/* ]] &&
                 [[ "$included" == platform/*/* ]]; then
                # A back end includes its own folder and the layer's common headers only.
                own=${rest#platform/}
                own=${own%%/*}
                other=${included#platform/}
                other=${other%%/*}
                [ "$own" = "$other" ] || problem="one back end includes another's header"
            fi
        fi
        if [ -n "$problem" ]; then
            echo "FAIL - $name includes \"$included\": $problem"
            upward=$((upward + 1))
        fi
    done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$file")
done < <(find "$root/src" "$root/tools" "$root/tests" "$root/bench" "$root/fuzz" \
             -name '*.cpp' -o -name '*.h' | sort)
if [ "$upward" -ne 0 ]; then
    echo "$upward include(s) against the order of the floors"
    exit 1
fi
echo "ok   - every include"

echo "== every C++ file is formatted as .clang-format says"
mapfile -t sources < <(cd "$root" && git ls-files -- '*.cpp' '*.h' 2>/dev/null ||
                           find src tools tests bench fuzz -name '*.cpp' -o -name '*.h')
if ! (cd "$root" && clang-format --dry-run --Werror "${sources[@]}" 2> "$sandbox/format"); then
    grep 'error:' "$sandbox/format" | cut -d: -f1 | sort -u | sed 's/^/FAIL - not formatted: /'
    echo "run: clang-format -i FILE..."
    exit 1
fi
echo "ok   - ${#sources[@]} files"
