#!/usr/bin/env bash
# Plants each fault of scripts/planted-faults.txt in a scratch copy of this
# tree, builds what its tests need, runs them and says per fault whether they
# caught it. A fault whose snippet is gone (the code moved) is said loudly:
# its line in the catalogue needs re-pointing, it proves nothing as it is.
#
#   scripts/planted-faults.sh [--list FILE] [ID...]
#
# ZOL_PLANTED_DIR is the scratch folder (default: $TMPDIR or /tmp, then
# zol-planted-faults); its build is kept between runs, so a second run
# rebuilds only what changed. The worktree itself is never touched.
# Runs on demand, not in CI: about half an hour for the whole catalogue.
set -uo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
list=$here/scripts/planted-faults.txt
if [[ ${1:-} == --list ]]; then
    list=$(realpath "$2")
    shift 2
fi
wanted=("$@")
scratch=${ZOL_PLANTED_DIR:-${TMPDIR:-/tmp}/zol-planted-faults}
src=$scratch/src
build=$scratch/build
log=$scratch/log
mkdir -p "$src" "$build" "$log"
export CMAKE_C_COMPILER_LAUNCHER=${CMAKE_C_COMPILER_LAUNCHER:-ccache}
export CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER:-ccache}
jobs=${ZOL_PLANTED_JOBS:-2}

# The tree as it is now, committed or not; a file copied only when it
# differs, so that the kept build redoes only what changed.
sync_tree() {
    (cd "$here" && git ls-files --cached --others --exclude-standard -z) |
        while IFS= read -r -d '' f; do
            [[ -f $here/$f ]] || continue
            if ! cmp -s "$here/$f" "$src/$f"; then
                mkdir -p "$(dirname "$src/$f")"
                cp -p "$here/$f" "$src/$f"
            fi
        done
}

# id ;; file ;; snippet ;; replacement ;; tests -> five fields, each with the
# one space either side of ";;" taken off, ⏎ made \x01 (a line break when
# planted: a C++ '\n' in a snippet stays as it is), joined by \x1f, which
# keeps an empty replacement a field of its own.
parse() {
    perl -CSD -ne '
        next if /^\s*(#|$)/;
        chomp;
        my @f = split /;;/, $_, -1;
        die "bad line: $_\n" unless @f == 5;
        for (@f) { s/^ //; s/ $//; s/\x{23CE}/\x01/g; }
        $f[0] =~ s/^\s+|\s+$//g; $f[1] =~ s/^\s+|\s+$//g; $f[4] =~ s/^\s+|\s+$//g;
        print join("\x1f", @f), "\n";
    ' "$list"
}

# How often the snippet occurs in the file (line breaks written as \n).
occurrences() {
    SNIP=$2 perl -0777 -ne '
        my $s = $ENV{SNIP}; $s =~ s/\x01/\n/g;
        my $n = () = /\Q$s\E/g; print $n;
    ' "$1"
}

plant() {
    SNIP=$2 REPL=$3 perl -0777 -pi -e '
        my ($s, $r) = ($ENV{SNIP}, $ENV{REPL}); s/\x01/\n/g for $s, $r;
        s/\Q$s\E/$r/;
    ' "$1"
}

# Test name -> the targets it runs: the e2e tests also start the simulated
# meter.
targets_for() {
    local t out=()
    for t in "$@"; do
        out+=("$t")
        case $t in tst_*zolmeter* | tst_*e2e* | tst_zolprint_*) out+=(zolmeter) ;; esac
    done
    printf '%s\n' "${out[@]}" | sort -u
}

# Runs the named tests; prints the ones that failed (or timed out).
failing_tests() {
    local regex="^($(IFS='|'; echo "$*"))\$"
    ctest --test-dir "$build" -R "$regex" --timeout 180 >"$log/ctest.out" 2>&1
    # "n/m Test #k: name ....***Failed" (or Timeout, Exception, Not Run).
    grep -E 'Test +#[0-9]+: [^ ]+ .*\*\*\*' "$log/ctest.out" |
        sed -E 's/.*Test +#[0-9]+: ([^ ]+) .*/\1/' | sort -u
    if ! grep -q 'tests passed\|tests failed' "$log/ctest.out"; then
        echo "ctest-did-not-run"
    fi
}

start=$(date +%s)
echo "== scratch copy in $scratch"
sync_tree
if [[ ! -f $build/CMakeCache.txt ]]; then
    cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DZOL_BUILD_TESTS=ON \
        -DZOL_BUILD_BENCH=OFF >"$log/configure.log" 2>&1 ||
        { echo "configure failed: $log/configure.log"; exit 2; }
fi

mapfile -t faults < <(parse)
if ((${#wanted[@]})); then
    mapfile -t faults < <(printf '%s\n' "${faults[@]}" |
        awk -F$'\x1f' -v ids=" ${wanted[*]} " 'index(ids, " " $1 " ")')
fi

# Every test any fault names, built and run once on the tree as it is: a
# test that fails without a fault proves nothing about one.
mapfile -t all_tests < <(printf '%s\n' "${faults[@]}" | cut -d$'\x1f' -f5 | tr ' ' '\n' | sort -u | grep .)
echo "== building ${#all_tests[@]} tests"
mapfile -t all_targets < <(targets_for "${all_tests[@]}")
if ! cmake --build "$build" -j"$jobs" --target "${all_targets[@]}" >"$log/build.log" 2>&1; then
    echo "the tree does not build as it is: $log/build.log"
    exit 2
fi
echo "== the tests without a fault"
mapfile -t broken < <(failing_tests "${all_tests[@]}")
if ((${#broken[@]})); then
    echo "FAILING WITHOUT A FAULT (not counted as catching): ${broken[*]}"
fi

caught=0 missed=0 stale=0
summary=()
for line in "${faults[@]}"; do
    IFS=$'\x1f' read -r id file snippet replacement tests <<<"$line"
    read -ra names <<<"$tests"
    n=$(occurrences "$src/$file" "$snippet" 2>/dev/null || echo 0)
    if [[ $n != 1 ]]; then
        result="DOES NOT APPLY (snippet found $n times in $file)"
        stale=$((stale + 1))
    else
        cp -p "$src/$file" "$log/original"
        plant "$src/$file" "$snippet" "$replacement"
        mapfile -t targets < <(targets_for "${names[@]}")
        if ! cmake --build "$build" -j"$jobs" --target "${targets[@]}" >"$log/$id.build.log" 2>&1; then
            result="caught by the build"
            caught=$((caught + 1))
        else
            mapfile -t failed < <(failing_tests "${names[@]}")
            by=()
            for t in "${failed[@]}"; do
                [[ " ${broken[*]} " == *" $t "* ]] || by+=("$t")
            done
            if ((${#by[@]})); then
                result="caught by ${by[*]}"
                caught=$((caught + 1))
            else
                result="NOT CAUGHT (ran ${names[*]})"
                missed=$((missed + 1))
            fi
            cp "$log/ctest.out" "$log/$id.ctest.out"
        fi
        # Back as it was, with a new time so that the next build sees it.
        cat "$log/original" >"$src/$file"
    fi
    printf '%-4s %-36s %s\n' "$id" "$file" "$result"
    summary+=("$id $result")
done

minutes=$(( ($(date +%s) - start + 59) / 60 ))
echo "== ${#faults[@]} faults: $caught caught, $missed NOT CAUGHT, $stale DO NOT APPLY; $minutes min"
printf '%s\n' "${summary[@]}" >"$scratch/results.txt"
((stale == 0))
