#!/usr/bin/env bash
# Runs a command with a real PDF printer: a private CUPS scheduler (its
# configuration, spool and socket in a temporary folder, so no system
# service is needed or touched) with one queue "PDF" of Debian's cups-pdf
# driver as the default printer.  Wine reads the printer list when winspool
# loads, so the scheduler is up before the command starts.  After the
# command, waits until the queue is empty and moves the PDFs the jobs made
# (cups-pdf writes them to ~/PDF of the submitting user) into OUTDIR.
#   print_to_pdf.sh [--check] OUTDIR command [args...]
# The command sees SARVOLT_PRINT_OUT, OUTDIR as a Wine path, where a print
# test writes print_expect.txt; with --check, scripts/check_pdfs.py then
# checks the PDFs against it.  OUTDIR is emptied first.
# Exit status: the command's (then the check's), or 90 when the scheduler or
# queue failed.
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
check=0
if [ "${1:-}" = --check ]; then check=1; shift; fi
out=$1; shift
rm -rf "$out"
mkdir -p "$out"
out=$(cd "$out" && pwd)
export SARVOLT_PRINT_OUT="Z:${out//\//\\}"
dir=$(mktemp -d /tmp/sarvolt-cups.XXXXXX)
chmod 755 "$dir"
mkdir -p "$dir/etc/ppd" "$dir/spool/tmp" "$dir/cache" "$dir/state" "$dir/log"
chown -R root:lp "$dir/spool" "$dir/cache" "$dir/state" 2>/dev/null
chmod 0710 "$dir/spool"; chmod 1770 "$dir/spool/tmp"; chmod 0770 "$dir/cache" "$dir/state"
sock=$dir/cups.sock
cat > "$dir/cupsd.conf" <<CONF
Listen $sock
LogLevel warn
WebInterface No
Browsing No
MaxJobs 0
PreserveJobFiles No
<Location />
  Order allow,deny
  Allow all
</Location>
<Location /admin>
  Order allow,deny
  Allow all
</Location>
CONF
cat > "$dir/cups-files.conf" <<CONF
ServerRoot $dir/etc
RequestRoot $dir/spool
TempDir $dir/spool/tmp
CacheDir $dir/cache
StateDir $dir/state
ErrorLog $dir/log/error_log
AccessLog $dir/log/access_log
PageLog $dir/log/page_log
FileDevice No
CONF
cp "$dir/cupsd.conf" "$dir/etc/cupsd.conf"
cp "$dir/cups-files.conf" "$dir/etc/cups-files.conf"

cupsd -f -c "$dir/cupsd.conf" -s "$dir/cups-files.conf" &
cups_pid=$!
export CUPS_SERVER=$sock
stop_cups() {
    kill "$cups_pid" 2>/dev/null
    wait "$cups_pid" 2>/dev/null
    rm -rf "$dir"
}
trap stop_cups EXIT
up=0
for _ in $(seq 1 300); do
    if LC_ALL=C LANG=C lpstat -r 2>/dev/null | grep -q "is running"; then up=1; break; fi
    sleep 0.1
done
if [ $up -ne 1 ]; then
    echo "print_to_pdf: the CUPS scheduler did not start" >&2
    cat "$dir/log/error_log" >&2 2>/dev/null
    exit 90
fi
if ! lpadmin -p PDF -E -v cups-pdf:/ -m lsb/usr/cups-pdf/CUPS-PDF_opt.ppd 2>"$dir/lpadmin.log" \
   || ! lpadmin -d PDF 2>>"$dir/lpadmin.log"; then
    echo "print_to_pdf: the PDF queue could not be made" >&2
    cat "$dir/lpadmin.log" >&2
    exit 90
fi
home=$(getent passwd "$(id -un)" | cut -d: -f6)
marker=$dir/started
touch "$marker"

"$@"
rc=$?

# Wait for every job to leave the queue (cups-pdf converts in the backend).
for _ in $(seq 1 600); do
    [ -z "$(lpstat -o 2>/dev/null)" ] && break
    sleep 0.2
done
if [ -d "$home/PDF" ]; then
    find "$home/PDF" -maxdepth 1 -name '*.pdf' -newer "$marker" -exec mv -t "$out" {} +
fi
if [ $rc -eq 0 ] && [ $check -eq 1 ]; then
    python3 "$here/scripts/check_pdfs.py" "$out"
    rc=$?
fi
exit $rc
