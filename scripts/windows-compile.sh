#!/usr/bin/env bash
# Compiles every source of the Windows build of both programs for Windows,
# syntax only, with MinGW-w64 against the installed Qt 6 headers: every
# Q_OS_WIN branch and every call into windows.h is type-checked, although
# nothing here links or runs a Windows program.
#   scripts/windows-compile.sh [build-dir]     JOBS=n compiles n at a time (default: all cores)
# build-dir (build/default when not given) must be configured already
# (cmake --preset default): the include paths, definitions and language level
# are those of its compile_commands.json, so the check follows the real build.
# The sources are the ones that build compiles under platform/, reader/ and
# usertool/, the moc and rcc output of those folders and of resources/, and
# the Windows-only *_win.cpp files, which a Linux build leaves out, in place
# of the *_posix.cpp files it compiles. Exits non-zero, with the compiler's
# messages, when any of them fails.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
cxx=x86_64-w64-mingw32-g++-posix
jobs=${JOBS:-$(nproc)}

die() { echo "windows-compile: $*" >&2; exit 1; }

# The paths as CMake wrote them into compile_commands.json: not resolved.
if ! build=$(cd "${1:-build/default}" 2>/dev/null && pwd) ||
    [[ ! -f "$build/compile_commands.json" ]]; then
    die "no ${1:-build/default}/compile_commands.json: configure first (cmake --preset default)"
fi
command -v "$cxx" >/dev/null || die "no $cxx: run scripts/setup.sh --tests"
command -v python3 >/dev/null || die "no python3: run scripts/setup.sh --tests"

program_dirs=(platform reader usertool)
mapfile -t sources < <(find "${program_dirs[@]}" -name '*.cpp' | sort)
out="$build/windows-compile"
rm -rf "$out"
mkdir -p "$out"

# The response files with each source's Windows flags, or with "generators"
# the targets whose moc and rcc output is to be checked.
plan() {
    python3 "$root/scripts/windows-compile-plan.py" "$1" "$root" "$build" "$out" "${program_dirs[*]}" "${sources[@]}"
}

# The moc and rcc output exists only once its targets have run. Building the
# *_autogen targets runs moc alone; rcc's output is made by the target itself,
# which is built when its output is still missing.
generate() {
    cmake --build "$build" -j"$jobs" --target "$@" >"$out/generate.log" 2>&1 || {
        cat "$out/generate.log" >&2
        die "could not generate the moc and rcc output of: $*"
    }
}
generators=$(plan generators)
mapfile -t generators <<<"$generators"
[[ -n "${generators[*]}" ]] && generate "${generators[@]/%/_autogen}"
lines=$(plan commands)
mapfile -t lines <<<"$lines"
[[ -n "${lines[*]}" ]] || die "no sources found in $build/compile_commands.json"
missing=()
for line in "${lines[@]}"; do
    IFS=$'\t' read -r source _ _ <<<"$line"
    [[ -f "$source" ]] && continue
    for target in "${generators[@]}"; do
        [[ "$source" == */"${target}_autogen"/* ]] && missing+=("$target")
    done
done
if [[ ${#missing[@]} -gt 0 ]]; then
    mapfile -t missing < <(printf '%s\n' "${missing[@]}" | sort -u)
    generate "${missing[@]}"
fi

running=0
for n in "${!lines[@]}"; do
    IFS=$'\t' read -r source directory rsp <<<"${lines[$n]}"
    (
        cd "$directory"
        [[ -f "$source" ]] || { echo "$source: missing after its target was built"; exit 1; }
        "$cxx" @"$rsp"
    ) >"$out/$n.log" 2>&1 || echo failed >"$out/$n.failed" &
    if ((++running >= jobs)); then
        wait -n || true
        ((running--))
    fi
done
wait

failed=0
for n in "${!lines[@]}"; do
    IFS=$'\t' read -r source _ _ <<<"${lines[$n]}"
    if [[ -f "$out/$n.failed" ]]; then
        ((++failed))
        echo "windows-compile: FAILED ${source#"$root"/}" >&2
        cat "$out/$n.log" >&2
    elif [[ -s "$out/$n.log" ]]; then
        cat "$out/$n.log" >&2
    fi
done
if ((failed > 0)); then
    die "$failed of ${#lines[@]} sources do not compile for Windows"
fi
echo "windows-compile: ${#lines[@]} sources compile for Windows ($cxx, syntax only)"
