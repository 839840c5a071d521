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

# Reads compile_commands.json and, for each source to check, writes a gcc
# response file with its Windows flags; prints "source<TAB>directory<TAB>
# response file" lines. With "generators" it prints instead the targets whose
# moc or rcc output is to be checked.
plan() {
    python3 - "$1" "$root" "$build" "$out" "${program_dirs[*]}" "${sources[@]}" <<'PY'
import json, os, shlex, sys

mode, root, build, out, dirs = sys.argv[1:6]
found = sys.argv[6:]
dirs = dirs.split()
# resources/ holds no C++ of its own, but its rcc output goes into both programs.
generated_dirs = dirs + ['resources']

def top(path, base):
    rel = os.path.relpath(path, base)
    return None if rel.startswith('..') else rel.split(os.sep)[0]

def owner(path):
    """The target a generated source belongs to: the folder <target>_autogen."""
    for part in os.path.relpath(path, build).split(os.sep):
        if part.endswith('_autogen'):
            return part[:-len('_autogen')]
    return None

with open(os.path.join(build, 'compile_commands.json')) as f:
    entries = json.load(f)

chosen = {}
for e in entries:
    path = os.path.normpath(os.path.join(e['directory'], e['file']))
    # The POSIX half of a file pair is the one a Windows build leaves out.
    if path.endswith('_posix.cpp'):
        continue
    if top(path, build) in generated_dirs or (top(path, build) is None and
                                              top(path, root) in dirs):
        chosen.setdefault(path, e)

if mode == 'generators':
    for target in sorted({owner(p) for p in chosen if top(p, build)} - {None}):
        print(target)
    sys.exit(0)

def windows_flags(e, path):
    """The entry's flags for a Windows syntax check; path is its source."""
    args = e['arguments'] if 'arguments' in e else shlex.split(e['command'])
    flags, skip = [], False
    for a in args[1:]:
        if skip:
            skip = False
            continue
        if a in ('-o', '-MF', '-MT', '-MQ'):
            skip = True
            continue
        if os.path.normpath(os.path.join(e['directory'], a)) == path:
            continue
        # The object file, dependency files, position-independent code,
        # debug information and the sanitizers mean nothing to a syntax check,
        # and the sanitizers do not exist for MinGW.
        if a in ('-c', '-MD', '-MMD', '-fPIC', '-fpic', '-fPIE', '-fpie') or \
                a.startswith(('-g', '-fsanitize', '-fno-sanitize')):
            continue
        # Qt's platform folder holds qplatformdefs.h: the Windows one for a
        # Windows build.
        d, base = os.path.split(a.rstrip('/'))
        if os.path.basename(d) == 'mkspecs' and base.startswith('linux-'):
            windows = os.path.join(d, 'win32-g++')
            if os.path.isdir(windows):
                a = windows
        flags.append(a)
    # What Qt's CMake package gives every Windows target that links Qt: its
    # wide-character Windows API. MinGW itself defines _WIN32 (so Q_OS_WIN)
    # and _WIN64, and makes Windows 10 the target version (_WIN32_WINNT 0xa00).
    # Qt's Linux qconfig.h stays, so features Qt has only on Windows are off.
    return ['-fsyntax-only', '-DUNICODE', '-D_UNICODE'] + flags

def quote(arg):
    return ''.join('\\' + c if c in ' \t\n\\\'"' else c for c in arg)

# (source, the entry whose flags it takes, that entry's source)
plans = [(p, e, p) for p, e in chosen.items()]
unknown = []
for rel in found:
    path = os.path.join(root, rel)
    if path in chosen or rel.endswith('_posix.cpp'):
        continue
    if not rel.endswith('_win.cpp'):
        unknown.append(rel)
        continue
    # A Windows-only file takes the flags of its folder's target: those of the
    # file it stands beside (registry_win.cpp, registry.cpp), else of another
    # in its folder, else of the nearest one in the same program.
    folder = os.path.dirname(path)
    twin = path[:-len('_win.cpp')] + '.cpp'
    near = sorted((p for p in chosen
                   if top(p, build) is None and top(p, root) == top(path, root)),
                  key=lambda p: (p != twin, os.path.dirname(p) != folder,
                                 -len(os.path.commonpath([p, folder])), p))
    if not near:
        sys.exit(f'windows-compile: no source of the build beside {rel} to take flags from')
    plans.append((path, chosen[near[0]], near[0]))
if unknown:
    sys.exit('windows-compile: these sources are neither in the build nor named *_win.cpp,\n'
             'so this check cannot tell whether the Windows build compiles them:\n  ' +
             '\n  '.join(unknown))

for n, (path, e, flags_of) in enumerate(sorted(plans, key=lambda t: t[0])):
    rsp = os.path.join(out, f'{n:03}-{os.path.basename(path)}.rsp')
    with open(rsp, 'w') as f:
        f.write('\n'.join(quote(a) for a in windows_flags(e, flags_of) + [path]) + '\n')
    print(f"{path}\t{e['directory']}\t{rsp}")
PY
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
