#!/usr/bin/env bash
# Builds the Debian package and checks it: exactly the expected files, a
# dependency on every library package the programs load, valid desktop entries
# that name the installed programs and icon, AppStream metadata that validates
# and names them, the user guide with its pictures, the licence as Debian's
# copyright file, a changelog of this version, programs built with Debian's
# hardening, and not one error or warning from lintian. As root it also
# installs the package with apt-get, starts both programs from PATH, finds
# their manual pages and removes it again.
#   scripts/test-package.sh                  build the package, then check it
#   ZOL_TEST_DEB=FILE scripts/test-package.sh  check FILE instead
set -euo pipefail
given_deb=${ZOL_TEST_DEB:+$(realpath "$ZOL_TEST_DEB")}
cd "$(dirname "$0")/.."

fail() {
    echo "test-package: FAIL: $*" >&2
    exit 1
}

scratch=$(mktemp -d)
installed_here=0
cleanup() {
    if [[ $installed_here -eq 1 ]]; then
        DEBIAN_FRONTEND=noninteractive apt-get remove -y -q zolprint >/dev/null 2>&1 || true
    fi
    rm -rf "$scratch"
}
trap cleanup EXIT

if [[ -n "$given_deb" ]]; then
    deb=$given_deb
else
    if ! scripts/package.sh >"$scratch/package.log" 2>&1; then
        cat "$scratch/package.log" >&2
        fail "scripts/package.sh could not build the package"
    fi
    deb=$(tail -n 1 "$scratch/package.log")
fi
[[ -f "$deb" ]] || fail "no package at '$deb'"
echo "test-package: checking $deb"

# Exactly these files, so that a test program, the simulated meter or a stray
# build file cannot slip in, and a missing entry or icon is noticed.
expected="./usr/bin/ZOLprint
./usr/bin/zol-user-name
./usr/share/applications/zol-user-name.desktop
./usr/share/applications/zolprint.desktop
./usr/share/doc/zolprint/changelog.gz
./usr/share/doc/zolprint/copyright
./usr/share/doc/zolprint/screenshots/usertool-confirm.png
./usr/share/doc/zolprint/screenshots/usertool-programmed.png
./usr/share/doc/zolprint/screenshots/usertool-serial.png
./usr/share/doc/zolprint/screenshots/zolprint-about.png
./usr/share/doc/zolprint/screenshots/zolprint-main-en-200.png
./usr/share/doc/zolprint/screenshots/zolprint-main-en.png
./usr/share/doc/zolprint/screenshots/zolprint-main-nl.png
./usr/share/doc/zolprint/screenshots/zolprint-menu-en-200.png
./usr/share/doc/zolprint/screenshots/zolprint-menu-en.png
./usr/share/doc/zolprint/screenshots/zolprint-menu-nl.png
./usr/share/doc/zolprint/user-guide.md
./usr/share/icons/hicolor/128x128/apps/zolprint.png
./usr/share/icons/hicolor/32x32/apps/zolprint.png
./usr/share/man/man1/ZOLprint.1.gz
./usr/share/man/man1/zol-user-name.1.gz
./usr/share/metainfo/invalid.zolprint.zol_user_name.metainfo.xml
./usr/share/metainfo/invalid.zolprint.zolprint.metainfo.xml
./usr/share/mime/packages/zolprint.xml"
# The name is the sixth field and on: it may hold spaces.
actual=$(dpkg-deb -c "$deb" | grep -v '^d' | sed -E 's/^([^ ]+ +){5}//' | LC_ALL=C sort)
if [[ "$actual" != "$expected" ]]; then
    diff <(echo "$expected") <(echo "$actual") >&2 || true
    fail "the package's files differ from the expected ones (< expected, > in the package)"
fi

field() { dpkg-deb -f "$deb" "$1"; }
[[ "$(field Package)" == zolprint ]] || fail "package name is '$(field Package)', not zolprint"
version=$(sed -nE 's/^project\(ZOLprint VERSION ([0-9.]+).*/\1/p' CMakeLists.txt)
[[ "$(field Version)" == "$version" ]] ||
    fail "package version is '$(field Version)', the project's is '$version'"
[[ "$(field Architecture)" == "$(dpkg --print-architecture)" ]] ||
    fail "package architecture is '$(field Architecture)'"

depends=$(field Depends)
depends_names=$(echo "$depends" | tr ',|' '\n' | sed -E 's/^ *//; s/[ (:].*//' | sort -u)
names() { grep -qxF "$1" <<<"$depends_names"; }
for p in libqt6core6 libqt6gui6 libqt6widgets6 libqt6serialport6 libqt6printsupport6 \
         qt6-translations-l10n; do
    names "$p" || fail "Depends does not name $p: $depends"
done

# Every library the packaged programs link must come from a package that
# Depends names, or a fresh machine installs programs that cannot start.
mkdir -p "$scratch/root"
dpkg-deb -x "$deb" "$scratch/root"
# Only the copy for this architecture: libc6-i386 and the like hold the same
# names for another one.
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
for program in "$scratch/root/usr/bin/ZOLprint" "$scratch/root/usr/bin/zol-user-name"; do
    readelf -h "$program" >/dev/null 2>&1 || fail "$(basename "$program") is not a program file"
    while read -r soname; do
        owner=$(dpkg -S "*/$multiarch/$soname" 2>/dev/null | head -n 1 | cut -d: -f1 || true)
        [[ -n "$owner" ]] || fail "no installed package holds $soname, which $(basename "$program") links"
        names "$owner" ||
            fail "$(basename "$program") links $soname from $owner, which Depends does not name: $depends"
    done < <(readelf -d "$program" | sed -nE 's/.*\(NEEDED\).*\[(.*)\]/\1/p')
done

# The desktop entries as packaged: valid, starting a program the package
# installs, with the icon it installs.
for entry in "$scratch"/root/usr/share/applications/*.desktop; do
    desktop-file-validate "$entry" || fail "$(basename "$entry") is not a valid desktop entry"
    exec_line=$(sed -n 's/^Exec=//p' "$entry")
    if [[ "$exec_line" == \"* ]]; then
        command=${exec_line#\"}
        command=${command%%\"*}
    else
        command=${exec_line%% *}
    fi
    [[ -x "$scratch/root/usr/bin/$command" ]] ||
        fail "$(basename "$entry") starts '$command', which the package does not install in /usr/bin"
    icon=$(sed -n 's/^Icon=//p' "$entry")
    [[ -f "$scratch/root/usr/share/icons/hicolor/32x32/apps/$icon.png" ]] ||
        fail "$(basename "$entry") names icon '$icon', which the package does not install"
done
# The measurements file type as packaged: the type that ZOLprint's entry
# opens, with its extensions and header, and the entry passes it the file.
mime_xml="$scratch/root/usr/share/mime/packages/zolprint.xml"
mime_type=$(sed -nE 's/.*<mime-type type="([^"]+)".*/\1/p' "$mime_xml")
[[ "$mime_type" == application/x-zol-measurements ]] ||
    fail "the packaged zolprint.xml defines '$mime_type', not application/x-zol-measurements"
for glob in vmt mcs fms mdh; do
    grep -q "<glob pattern=\"\*\.$glob\"/>" "$mime_xml" || fail "the file type lacks *.$glob"
done
grep -q 'value="ZOL 0000"' "$mime_xml" || fail "the file type does not know the header"
entry="$scratch/root/usr/share/applications/zolprint.desktop"
grep -qx "MimeType=$mime_type;" "$entry" || fail "zolprint.desktop does not open $mime_type"
grep -qE '^Exec=ZOLprint( [^%]+)? %f$' "$entry" || fail "zolprint.desktop does not pass ZOLprint the file"
# The user guide as packaged, and nothing for developers beside it: every
# picture and document it links to is there beside it, so that no link of
# the installed guide leads nowhere.
docdir="$scratch/root/usr/share/doc/zolprint"
guide="$docdir/user-guide.md"
grep -q '^## Connecting a meter' "$guide" || fail "the packaged user guide has no 'Connecting a meter'"
grep -q '^## Messages' "$guide" || fail "the packaged user guide has no 'Messages'"
[[ ! -e "$docdir/README.md" ]] || fail "the package installs the README; the user guide is its documentation"
while read -r target; do
    [[ -f "$docdir/$target" ]] ||
        fail "the packaged user guide links to $target, which the package does not install"
done < <(grep -oE '\]\([^)#]+[)#]' "$guide" | sed -E 's/^\]\(//; s/[)#]$//' | grep -vE '^[a-z]+:' | sort -u)

# The licence as Debian's copyright file: the holders and terms of LICENSE,
# in Debian's machine-readable format (a licence text is indented by a space,
# an empty line in it written as a lone full stop).
copyright="$docdir/copyright"
grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' "$copyright" ||
    fail "the copyright file is not in Debian's machine-readable format"
holders=$(sed -nE 's/^Copyright \(c\) (.+)$/\1/p' LICENSE)
[[ -n "$holders" ]] || fail "LICENSE has no copyright line"
grep -qxF "Copyright: $holders" "$copyright" || fail "the copyright file does not name '$holders'"
grep -qx 'License: Expat' "$copyright" || fail "the copyright file does not name the MIT (Expat) licence"
terms=$(sed -n '/^Permission is hereby granted/,$p' LICENSE)
packaged_terms=$(sed -n '/^License: Expat$/,$p' "$copyright" | sed -n '/^ /p' | sed -E 's/^ //; s/^\.$//')
[[ -n "$terms" && "$packaged_terms" == "$terms" ]] ||
    fail "the licence terms in the copyright file differ from those in LICENSE"

# The software centres' view: valid AppStream metadata (no address is
# fetched: the screenshots' home is set at configure time), each naming a
# desktop entry and a command of the package, screenshots that docs/ has,
# ZOLprint the file type that its entry opens, and the MIT licence.
appstreamcli validate --no-net "$scratch"/root/usr/share/metainfo/*.metainfo.xml >"$scratch/appstream.log" 2>&1 || {
    cat "$scratch/appstream.log" >&2
    fail "appstreamcli does not accept the packaged AppStream metadata"
}
for metainfo in "$scratch"/root/usr/share/metainfo/*.metainfo.xml; do
    name=$(basename "$metainfo")
    tag() { sed -nE "s|.*<$1( [^>]*)?>([^<]*)</$1>.*|\2|p" "$metainfo"; }
    [[ "$(tag id).metainfo.xml" == "$name" ]] || fail "$name holds the id '$(tag id)'"
    [[ "$(tag metadata_license) $(tag project_license)" == "MIT MIT" ]] ||
        fail "$name does not give MIT as the metadata's and the project's licence"
    launchable=$(tag launchable)
    [[ -f "$scratch/root/usr/share/applications/$launchable" ]] ||
        fail "$name launches '$launchable', which the package does not install"
    binary=$(tag binary)
    [[ -x "$scratch/root/usr/bin/$binary" ]] || fail "$name provides '$binary', which is not in /usr/bin"
    shots=$(tag image)
    [[ -n "$shots" ]] || fail "$name shows no screenshot"
    for shot in $shots; do
        [[ "$shot" == https://* && -f "docs/screenshots/$(basename "$shot")" ]] ||
            fail "$name shows $shot, which is not an https address of a picture in docs/screenshots"
    done
    if [[ "$launchable" == zolprint.desktop ]]; then
        [[ "$(tag mediatype)" == "$mime_type" ]] || fail "$name does not say that ZOLprint opens $mime_type"
    fi
done

# Debian's changelog, of this version.
zcat "$docdir/changelog.gz" >"$scratch/changelog" || fail "the packaged changelog.gz is not gzip"
changelog_version=$(dpkg-parsechangelog -l "$scratch/changelog" -S Version)
[[ "$changelog_version" == "$version" ]] ||
    fail "the changelog's latest entry is $changelog_version, the package is $version"

# Debian's hardening, as dpkg-buildflags gives it for hardening=+all, in the
# programs themselves. Fortified functions leave a trace only where the
# compiler could not prove a call safe, so hardening-check cannot tell them;
# the build's own compile commands can, when this test made the package.
for program in ZOLprint zol-user-name; do
    hardening-check --nofortify --nocfprotection \
        "$scratch/root/usr/bin/$program" >"$scratch/hardening.log" 2>&1 || {
        cat "$scratch/hardening.log" >&2
        fail "$program lacks some of Debian's hardening (PIE, stack protector, relro, bind-now)"
    }
done
if [[ -z "$given_deb" ]]; then
    commands=build/release/compile_commands.json
    [[ -f "$commands" ]] || fail "the release build left no $commands"
    unfortified=$(grep '"command"' "$commands" | grep -v -e '-D_FORTIFY_SOURCE=2 ' | head -n 1 || true)
    [[ -z "$unfortified" ]] || fail "compiled without -D_FORTIFY_SOURCE=2: $unfortified"
fi

# Debian's own judgement of the package: no error and no warning.
lintian --fail-on error,warning "$deb" >"$scratch/lintian.log" 2>&1 || {
    grep -v 'running with root privileges' "$scratch/lintian.log" >&2 || true
    fail "lintian finds errors or warnings in the package"
}

echo "test-package: contents, dependencies, desktop entries, AppStream metadata, file type, user guide," \
    "copyright, changelog, hardening and lintian are as expected"

if [[ $(id -u) -ne 0 ]]; then
    echo "test-package: not root, so the package is not installed and started"
    exit 0
fi
if dpkg-query -W -f='${Status}' zolprint 2>/dev/null | grep -q 'install ok installed'; then
    echo "test-package: zolprint is already installed here; leaving it alone and not installing"
    exit 0
fi

export DEBIAN_FRONTEND=noninteractive
installed_here=1
apt-get install -y -q "$deb" >"$scratch/apt.log" 2>&1 || {
    cat "$scratch/apt.log" >&2
    fail "apt-get could not install the package"
}

# Started means still running when the time-out stops it (exit status 124);
# an early exit or a crash is a failure. On X11 when there is a server to be
# had, since that is the platform plugin a desktop loads.
start_check() {
    local name=$1 path rc
    path=$(command -v "$name") || fail "'$name' is not on PATH after installing"
    [[ "$path" == "/usr/bin/$name" ]] || fail "'$name' on PATH is $path, not the installed one"
    mkdir -p "$scratch/run" && cd "$scratch/run"
    rc=0
    if command -v xvfb-run >/dev/null 2>&1; then
        QT_QPA_PLATFORM=xcb xvfb-run -a timeout -s TERM 3 "$name" >"$scratch/run.log" 2>&1 || rc=$?
    else
        QT_QPA_PLATFORM=offscreen timeout -s TERM 3 "$name" >"$scratch/run.log" 2>&1 || rc=$?
    fi
    cd - >/dev/null
    if [[ $rc -ne 124 ]]; then
        cat "$scratch/run.log" >&2
        fail "'$name' did not keep running after it started (exit status $rc)"
    fi
}
start_check ZOLprint
start_check zol-user-name
echo "test-package: installed with apt-get; both programs start from PATH"

# man finds both manual pages where the package put them.
for name in ZOLprint zol-user-name; do
    page=$(man -w "$name" 2>/dev/null) || fail "man finds no manual page for $name after installing"
    [[ "$page" == "/usr/share/man/man1/$name.1.gz" ]] ||
        fail "man finds $page for $name, not the installed page"
done
echo "test-package: man finds the manual pages of both programs"

# The desktop knows the file type now: the triggers of shared-mime-info and
# desktop-file-utils rebuilt the MIME database and the entries' cache when
# the package put its files there. Asked as a user with no settings of their
# own would ask.
as_user() {
    env -i PATH="$PATH" HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/.config" \
        XDG_DATA_HOME="$scratch/home/.local/share" "$@"
}
mime_type=application/x-zol-measurements
[[ -f /usr/share/mime/$mime_type.xml ]] ||
    fail "the MIME database has no $mime_type after installing (shared-mime-info's trigger)"
mkdir -p "$scratch/home" "$scratch/files"
printf 'ZOL 0000\r\nEND\r\n-2\r\n' >"$scratch/files/reading"
printf 'ZOL 0000\r\nEND\r\n-2\r\n' >"$scratch/files/reading.vmt"
if command -v xdg-mime >/dev/null 2>&1; then
    for f in reading reading.vmt; do
        got=$(as_user xdg-mime query filetype "$scratch/files/$f")
        [[ "$got" == "$mime_type" ]] || fail "xdg-mime names the installed type of $f '$got'"
    done
    if command -v update-desktop-database >/dev/null 2>&1; then
        got=$(as_user xdg-mime query default "$mime_type")
        [[ "$got" == zolprint.desktop ]] ||
            fail "xdg-mime opens $mime_type with '$got' after installing, not zolprint.desktop"
    fi
    echo "test-package: the installed file type is known and opens with ZOL Print"
else
    echo "test-package: no xdg-mime, so the installed file type was not asked for"
fi

apt-get remove -y -q zolprint >"$scratch/apt.log" 2>&1 || {
    cat "$scratch/apt.log" >&2
    fail "apt-get could not remove the package"
}
installed_here=0
if [[ -e /usr/bin/ZOLprint || -e /usr/bin/zol-user-name ]] ||
    dpkg-query -W -f='${Status}' zolprint 2>/dev/null | grep -q 'install ok installed'; then
    fail "apt-get remove left the programs behind"
fi
[[ ! -e /usr/share/mime/$mime_type.xml ]] || fail "the MIME database still has $mime_type after removing"
echo "test-package: removed again"
