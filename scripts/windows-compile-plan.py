#!/usr/bin/env python3
"""The plan of scripts/windows-compile.sh: reads compile_commands.json and,
for each source to check, writes a gcc response file with its Windows flags;
prints "source<TAB>directory<TAB>response file" lines. With "generators" it
prints instead the targets whose moc or rcc output is to be checked.

  windows-compile-plan.py MODE ROOT BUILD OUT "DIRS" SOURCE...
"""
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
