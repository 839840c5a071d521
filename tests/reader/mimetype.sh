#!/usr/bin/env bash
# The measurements file type as a desktop sees it after `cmake --install`:
# every extension and a file without one that begins with the header are
# named the type, and ZOLprint's desktop entry opens it. Runs against a
# private data folder refreshed with update-mime-database, so that no root
# and no system-wide change is needed.
#   mimetype.sh BUILD_DIR
set -euo pipefail
build=$(realpath "$1")

fail() {
    echo "mimetype: FAIL: $*" >&2
    exit 1
}

for tool in xdg-mime update-mime-database update-desktop-database mimetype gio; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        # CI installs them (scripts/setup.sh --tests); elsewhere say so and skip.
        [[ -n "${CI:-}" ]] && fail "$tool is missing: run scripts/setup.sh --tests"
        echo "mimetype: $tool is missing (scripts/setup.sh --tests installs it); skipped"
        exit 77
    fi
done

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

cmake --install "$build" --prefix "$scratch/usr" >"$scratch/install.log" 2>&1 || {
    cat "$scratch/install.log" >&2
    fail "cmake --install failed"
}
share=$scratch/usr/share
[[ -f $share/mime/packages/zolprint.xml ]] || fail "cmake --install put no share/mime/packages/zolprint.xml"
[[ -f $share/applications/zolprint.desktop ]] || fail "cmake --install put no zolprint.desktop"
# A clean environment: nobody's own associations, no desktop of the machine,
# and the installed program on PATH (GIO lists no entry whose program it
# cannot find).
mkdir -p "$scratch/home" "$scratch/config"
run() {
    env -i PATH="$scratch/usr/bin:$PATH" HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/config" \
        XDG_CONFIG_DIRS="$scratch/config" XDG_DATA_HOME="$share" \
        XDG_DATA_DIRS="$share:/usr/share" "$@"
}
run update-mime-database "$share/mime"
run update-desktop-database "$share/applications"

type=application/x-zol-measurements
files=$scratch/files
mkdir -p "$files"
header=$'ZOL 0000\r\nEND\r\n-2\r\n'
printf '%s' "$header" >"$files/without-extension"
for name in a.vmt b.mcs c.fms d.mdh UPPER.VMT; do
    printf 'not even the header' >"$files/$name"
done
printf 'Dear colleague,\r\n' >"$files/letter"

for name in a.vmt b.mcs c.fms d.mdh UPPER.VMT without-extension; do
    got=$(run xdg-mime query filetype "$files/$name")
    [[ "$got" == "$type" ]] || fail "xdg-mime names $name '$got', not $type"
    got=$(run gio info -a standard::content-type "$files/$name" | sed -n 's/^ *standard::content-type: //p')
    [[ "$got" == "$type" ]] || fail "gio names $name '$got', not $type"
done
got=$(run xdg-mime query filetype "$files/letter")
[[ "$got" == text/plain ]] || fail "a letter is taken for '$got'"

got=$(run xdg-mime query default "$type")
[[ "$got" == zolprint.desktop ]] || fail "xdg-mime opens $type with '$got', not zolprint.desktop"
got=$(run gio mime "$type")
grep -q 'Default application for .*: zolprint.desktop' <<<"$got" ||
    fail "gio does not open $type with zolprint.desktop: $got"

# The type's name in each language, as a file manager shows it.
for entry in "en:ZOL measurements file" "nl:ZOL-meetbestand" "de:ZOL-Messdatei" \
    "fr:Fichier de mesures ZOL"; do
    lang=${entry%%:*} name=${entry#*:}
    grep -q "<comment xml:lang=\"$lang\">$name</comment>\|<comment>$name</comment>" \
        "$share/mime/$type.xml" || fail "no $lang name '$name' in the installed type"
done
echo "mimetype: every extension and the header give $type; ZOLprint opens it"

# A double-click, as the file manager does it: gio open on a virtual display
# starts the installed ZOLprint on the file. It shows that it read the file
# by listing it among its recent files, in the private settings folder.
if ! command -v xvfb-run >/dev/null 2>&1; then
    echo "mimetype: no xvfb-run, so gio open was not tried"
    exit 0
fi
reading=$files/Kollege.vmt
printf 'ZOL 0000\r\nEik 12,5 %%\r\n\f\r\nEND\r\n-1\r\n' >"$reading"
mkdir -p "$scratch/run"
cat >"$scratch/open.sh" <<INNER
#!/usr/bin/env bash
cd "$scratch/run"
env -i PATH="$scratch/usr/bin:\$PATH" HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/config" \\
    XDG_CONFIG_DIRS="$scratch/config" XDG_DATA_HOME="$share" XDG_DATA_DIRS="$share:/usr/share" \\
    DISPLAY="\$DISPLAY" XAUTHORITY="\${XAUTHORITY:-}" QT_QPA_PLATFORM=xcb \\
    gio open "$reading" || exit 1
# Generous: the program may start slowly on a busy machine.
for _ in \$(seq 1 120); do
    grep -qF "$reading" "$scratch/config/ZOL/ZOLprint.conf" 2>/dev/null && exit 0
    sleep 1
done
exit 1
INNER
rc=0
xvfb-run -a bash "$scratch/open.sh" >"$scratch/open.log" 2>&1 || rc=$?
# The program ends with its display; should it not, it is ended by its own
# command line, which names this scratch file.
for pid in $(pgrep -x ZOLprint || true); do
    if tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -qF "$reading"; then
        kill "$pid" 2>/dev/null || true
    fi
done
if [[ $rc -ne 0 ]]; then
    cat "$scratch/open.log" >&2
    fail "gio open did not get ZOLprint to open $reading"
fi
echo "mimetype: gio open started ZOLprint on the file, and it read it"
