#!/usr/bin/env bash
# Checks the Windows zip (scripts/package-windows.sh, or the package step of
# the windows preset). Run by CTest in the Windows build (tests/windows).
#   scripts/test-windows-zip.sh contents ZIP           every DLL the programs and
#       plugins import is in the zip or is Windows' own; the plugins, catalogs,
#       user guide with its pictures and licences are there; no test program is
#   WINE_RUN=... scripts/test-windows-zip.sh start ZIP  both programs start from
#       the unpacked folder under Wine and show their windows; ZOLprint in each
#       of its four languages, each drawing a window of its own
#   WINE_RUN=... scripts/test-windows-zip.sh print ZIP  ZOLprint.exe, given a
#       measurements file, prints its page through Wine's printing into the CUPS
#       PDF queue (scripts/pdf-printer.sh), and the sheet holds the page's text
# WINE_RUN is the build's wine-run (its prefix and Wine's server).
set -euo pipefail
mode=${1:-}
zip=${2:-}
cd "$(dirname "$0")/.."
root=$PWD
# shellcheck source=xdisplay.sh
source "$root/scripts/xdisplay.sh"

fail() {
    echo "test-windows-zip: FAIL: $*" >&2
    exit 1
}

[[ -f "$zip" ]] || fail "no zip at '$zip': build it with scripts/package-windows.sh"
scratch=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$scratch"
}
trap cleanup EXIT

# The zip holds one folder, named as the zip.
top=$(basename "$zip" .zip)
python3 -m zipfile -e "$zip" "$scratch/unpacked"
folder=$scratch/unpacked/$top
[[ -d "$folder" ]] || fail "the zip does not hold the folder $top"

contents() {
    local objdump=x86_64-w64-mingw32-objdump
    command -v "$objdump" >/dev/null || fail "no $objdump: run scripts/setup.sh --tests"
    cd "$folder"
    local files
    files=$(find . -type f | sed 's|^\./||' | LC_ALL=C sort)
    for needed in ZOLprint.exe "ZOL user name.exe" platforms/qwindows.dll \
        styles/qwindowsvistastyle.dll translations/qtbase_nl.qm translations/qtbase_de.qm \
        translations/qtbase_fr.qm licenses/qt/LGPL-3.0-only.txt; do
        grep -qxF "$needed" <<<"$files" || fail "the zip has no $needed"
    done
    if [[ -f "$root/LICENSE" ]]; then
        grep -qxF LICENSE.txt <<<"$files" || fail "the zip has no LICENSE.txt"
    fi
    # Nothing of the tests, the simulated meter or the benchmark.
    if grep -iE '(^|/)(tst_|zolmeter|zolbench|sysinfomarker|bare)' <<<"$files"; then
        fail "the zip holds the programs above, which are not shipped"
    fi

    # Windows' own DLLs are those Wine provides as Windows (its x86_64-windows
    # folder); every other DLL that a program or plugin imports must be in the
    # zip, beside the programs.
    local wine_dlls="" dir
    for dir in /usr/lib/x86_64-linux-gnu/wine/x86_64-windows /usr/lib/wine/x86_64-windows \
        /usr/lib64/wine/x86_64-windows; do
        [[ -d $dir ]] && { wine_dlls=$dir; break; }
    done
    [[ -d "$wine_dlls" ]] || fail "no Wine DLL folder to tell Windows' own DLLs by"
    local binary dll missing=0 checked=0
    while IFS= read -r binary; do
        ((++checked))
        while IFS= read -r dll; do
            if [[ -f "$dll" ]] || [[ -f "$(find . -maxdepth 1 -iname "$dll" | head -n 1)" ]]; then
                continue
            fi
            if [[ -f "$wine_dlls/${dll,,}" ]] || [[ "${dll,,}" == api-ms-win-* ]]; then
                continue
            fi
            echo "test-windows-zip: $binary imports $dll, which is neither in the zip nor Windows' own" >&2
            missing=1
        done < <("$objdump" -p "$binary" | sed -n 's/^\s*DLL Name: //p')
    done < <(grep -iE '\.(exe|dll)$' <<<"$files")
    ((missing == 0)) || fail "DLLs are missing from the zip"

    # The user guide with every picture it shows.
    local guide picture
    guide=$(grep -E '^doc/zolprint/[^/]+\.md$' <<<"$files" | head -n 1)
    [[ -n "$guide" ]] || fail "the zip has no user guide under doc/zolprint/"
    while read -r picture; do
        [[ -f "$(dirname "$guide")/$picture" ]] ||
            fail "the user guide shows $picture, which the zip does not hold"
    done < <(grep -oE '\]\([^)]+\.png\)' "$guide" | sed -E 's/^\]\(//; s/\)$//' | grep -v '://')
    echo "test-windows-zip: $checked programs and DLLs, every import found; plugins, catalogs," \
        "user guide and licences present"
}

# A display of our own for Wine's windows.
display() { start_xvfb -screen 0 1280x1024x24; }

windows_path() { printf 'Z:%s' "${1//\//\\}"; }

# Starts a program of the zip, with any further ARGUMENTS, in Wine's own
# desktop NAME (a desktop of its own uses this display, whatever display
# Wine's server started with) from folder DIR, and prints the desktop's window
# once the program has drawn on it: an empty desktop is one colour, a
# program's window many.
#   show NAME PROGRAM DIR [ARGUMENTS...]
show() {
    local name=$1 program=$2 dir=$3 id
    shift 3
    (cd "$dir" && exec "$WINE_RUN" explorer "/desktop=$name,1024x700" \
        "$(windows_path "$program")" "$@") >"$scratch/$name.log" 2>&1 &
    pids+=($!)
    id=$(find_window "^$name - Wine desktop\$" 60) || {
        cat "$scratch/$name.log" >&2
        fail "Wine's desktop for $(basename "$program") did not show"
    }
    is_drawn "$id" 60 || {
        cat "$scratch/$name.log" >&2
        fail "$(basename "$program") drew no window"
    }
    echo "$id"
}

start() {
    [[ -x "${WINE_RUN:-}" ]] || fail "WINE_RUN does not name the build's wine-run"
    display
    local language id shots=()
    # zolprint.ini in the working folder: line 1 the language, line 2 the port.
    for language in 0 1 2 3; do
        mkdir -p "$scratch/run$language"
        printf ' %s \r\n 1 \r\n' "$language" >"$scratch/run$language/zolprint.ini"
        id=$(show "zolstart$language" "$folder/ZOLprint.exe" "$scratch/run$language")
        # Still there a moment later: it did not start only to fall over.
        sleep 2
        is_drawn "$id" 60 || fail "ZOLprint.exe in language $language closed its window"
        import -window "$id" "$scratch/zolprint$language.png"
        shots+=("$scratch/zolprint$language.png")
        "$WINE_RUN" taskkill /f /im ZOLprint.exe >/dev/null 2>&1 || true
    done
    # Each language draws its own menus: no two windows look the same.
    local a b
    for a in 0 1 2 3; do
        for b in $(seq $((a + 1)) 3); do
            if cmp -s <(convert "${shots[$a]}" rgb:-) <(convert "${shots[$b]}" rgb:-); then
                fail "ZOLprint.exe looks the same in languages $a and $b"
            fi
        done
    done

    id=$(show zolstarttool "$folder/ZOL user name.exe" "$scratch")
    sleep 2
    is_drawn "$id" 60 || fail "ZOL user name.exe closed its window"
    "$WINE_RUN" taskkill /f /im "ZOL user name.exe" >/dev/null 2>&1 || true
    echo "test-windows-zip: ZOLprint.exe started in its four languages, ZOL user name.exe too," \
        "each showing its window"
}

print() {
    [[ -x "${WINE_RUN:-}" ]] || fail "WINE_RUN does not name the build's wine-run"
    local outdir=${ZOL_PDF_DIR:-/var/spool/zol-pdf}
    lpstat -d 2>/dev/null | grep -q 'ZOL-PDF' ||
        fail "the PDF printer is not the default printer: run scripts/pdf-printer.sh"
    command -v tesseract >/dev/null || fail "no tesseract: run scripts/setup.sh --tests"
    display
    local before text id pdf=""
    before=$(ls "$outdir"/*.pdf 2>/dev/null || true)
    mkdir -p "$scratch/print"
    printf ' 1 \r\n 1 \r\n' >"$scratch/print/zolprint.ini"
    # The page comes from a file: a typed page is unsaved, and ended by
    # taskkill it stays in the prefix as a crash copy, whose restore question
    # at a later start would take the keys meant for the page.
    text="ZOL print check 4711"
    printf 'ZOL 0000\r\n%s\r\n\f\r\n\r\n\f\r\nEND\r\n0\r\n' "$text" >"$scratch/print/check.mcs"
    # Keys reach a Wine window reliably only inside Wine's own desktop; the
    # page window has the focus once the program is up.
    id=$(show zolprint "$folder/ZOLprint.exe" "$scratch/print" "$(windows_path "$scratch/print/check.mcs")")
    sleep 2
    xdotool windowfocus --sync "$id"
    xdotool key ctrl+p
    local file
    for _ in $(seq 180); do
        for file in "$outdir"/*.pdf; do
            [[ -f "$file" ]] || continue
            grep -qxF "$file" <<<"$before" && continue
            pdf=$file
        done
        [[ -n "$pdf" ]] && break
        sleep 0.5
    done
    "$WINE_RUN" taskkill /f /im ZOLprint.exe >/dev/null 2>&1 || true
    [[ -n "$pdf" ]] || {
        cat "$scratch/print.log" >&2
        fail "no sheet arrived in $outdir"
    }
    sleep 1
    local pages
    pages=$(pdfinfo "$pdf" | sed -n 's/^Pages: *//p')
    [[ "$pages" == 1 ]] || fail "the sheet $pdf has $pages pages, not 1"
    # Wine's PostScript driver draws the letters as outlines, so the text is
    # read back from the sheet's picture.
    pdftoppm -r 300 -gray -f 1 -l 1 -png "$pdf" "$scratch/sheet"
    tesseract "$scratch"/sheet*.png "$scratch/sheet" >/dev/null 2>&1
    grep -qF "$text" "$scratch/sheet.txt" || {
        cat "$scratch/sheet.txt" >&2
        fail "the sheet $pdf does not read '$text'"
    }
    rm -f "$pdf"
    echo "test-windows-zip: ZOLprint.exe printed through Wine into CUPS; the sheet reads '$text'"
}

case "$mode" in
contents) contents ;;
start) start ;;
print) print ;;
*) fail "usage: $0 contents|start|print ZIP" ;;
esac
