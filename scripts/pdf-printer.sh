#!/usr/bin/env bash
# Makes a PDF printer the system's default printer, so that the printing test
# can print through the real print system and count the sheets: starts the
# CUPS spooler when it is not running, adds the queue ZOL-PDF (Debian's
# printer-driver-cups-pdf) writing into $ZOL_PDF_DIR (default
# /var/spool/zol-pdf), and makes it the default. A second queue,
# ZOL-PDF-REJECT, writes into $ZOL_PDF_DIR/reject: the refused-job test
# rejects and accepts it while other tests print on ZOL-PDF. Safe to run
# again. Needs root, or sudo.
set -euo pipefail

queue=ZOL-PDF
outdir=${ZOL_PDF_DIR:-/var/spool/zol-pdf}
conf=/etc/cups/cups-pdf.conf
reject_queue=ZOL-PDF-REJECT
reject_outdir=$outdir/reject
# cups-pdf reads cups-pdf-NAME.conf for a queue whose device is cups-pdf:/NAME.
reject_conf=/etc/cups/cups-pdf-zolreject.conf

if [[ $(id -u) -ne 0 ]]; then
    if command -v sudo >/dev/null 2>&1; then
        exec sudo ZOL_PDF_DIR="$outdir" "$0" "$@"
    fi
    echo "pdf-printer: needs root or sudo" >&2
    exit 1
fi

for tool in cupsd lpadmin lpstat; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "pdf-printer: $tool is missing; run scripts/setup.sh --tests" >&2
        exit 1
    fi
done
ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
if [[ ! -f $ppd || ! -f $conf ]]; then
    echo "pdf-printer: printer-driver-cups-pdf is missing; run scripts/setup.sh --tests" >&2
    exit 1
fi

# Every job's PDF in one known folder, whoever prints it.
mkdir -p "$outdir" "$reject_outdir"
chmod 1777 "$outdir" "$reject_outdir"
if ! grep -qxF "Out $outdir" "$conf"; then
    sed -i -E "s|^[#[:space:]]*Out[[:space:]].*|Out $outdir|" "$conf"
    grep -qxF "Out $outdir" "$conf" || echo "Out $outdir" >>"$conf"
fi
# The second queue's settings are those of the first, with a folder of its own.
grep -vE '^[#[:space:]]*Out[[:space:]]' "$conf" >"$reject_conf.new"
echo "Out $reject_outdir" >>"$reject_conf.new"
mv "$reject_conf.new" "$reject_conf"

scheduler_running() { lpstat -r 2>/dev/null | grep -q 'is running'; }
if ! scheduler_running; then
    if command -v systemctl >/dev/null 2>&1 && systemctl is-system-running >/dev/null 2>&1; then
        systemctl start cups
    else
        cupsd
    fi
    for _ in $(seq 50); do
        scheduler_running && break
        sleep 0.2
    done
    if ! scheduler_running; then
        echo "pdf-printer: the CUPS scheduler did not start" >&2
        exit 1
    fi
fi

if ! lpstat -p "$queue" >/dev/null 2>&1; then
    lpadmin -p "$queue" -E -v cups-pdf:/ -P "$ppd"
fi
cupsenable "$queue"
cupsaccept "$queue"
lpadmin -d "$queue"
if ! lpstat -p "$reject_queue" >/dev/null 2>&1; then
    lpadmin -p "$reject_queue" -E -v cups-pdf:/zolreject -P "$ppd"
fi
# A test that stopped half-way may have left it rejecting.
cupsenable "$reject_queue"
cupsaccept "$reject_queue"
echo "pdf-printer: $queue is the default printer, writing into $outdir;" \
    "$reject_queue writes into $reject_outdir"
