# Print-test helpers: a CUPS queue that saves every job it receives to a file, and the
# Ghostscript steps that turn a saved job into pictures and text. Source it (after lib.sh).
# Nothing here touches a real printer; the queue's jobs go to a folder of the build tree.

TOLVANE_CUPS_BACKEND=/usr/lib/cups/backend/tolvanefile

# tolvane_print_queue DIR [NAME]: starts cupsd unless it runs, installs the backend that saves
# each job as DIR/job-ID.ps, creates the raw queue NAME (default: one named after DIR, so that
# build trees sharing the machine keep their own) pointing at DIR and makes it the default.
# Prints the queue's name.
tolvane_print_queue() {
  local dir=$1
  local name=${2:-tolvane-$(printf '%s' "$dir" | md5sum | cut -c1-8)}
  mkdir -p "$dir"
  if ! lpstat -r 2>/dev/null | grep -q 'is running'; then
    mkdir -p /run/cups
    cupsd || return 1
    local i
    for i in $(seq 1 50); do
      lpstat -r 2>/dev/null | grep -q 'is running' && break
      sleep 0.1
    done
  fi
  if [ ! -x "$TOLVANE_CUPS_BACKEND" ]; then
    # Mode 700: CUPS runs a backend that only root may run as root, so it can write anywhere.
    install -m 700 /dev/stdin "$TOLVANE_CUPS_BACKEND" <<'BACKEND'
#!/bin/sh
# CUPS backend: saves each job to a file in the folder named by the device URI
# (tolvanefile:/folder). Arguments: job user title copies options [file].
if [ $# -eq 0 ]; then
  echo 'direct tolvanefile "Unknown" "Save jobs to a folder"'
  exit 0
fi
dir=${DEVICE_URI#tolvanefile:}
mkdir -p "$dir" || exit 1
out="$dir/job-$1.ps"
if [ $# -ge 6 ]; then cat "$6" >"$out.part"; else cat >"$out.part"; fi || exit 1
chmod 644 "$out.part"
mv "$out.part" "$out"
exit 0
BACKEND
  fi
  lpadmin -p "$name" -v "tolvanefile:$dir" -E -m raw 2>/dev/null || return 1
  lpadmin -d "$name" || return 1
  if [ -n "${WINEPREFIX:-}" ]; then tolvane_print_default "$name" || return 1; fi
  echo "$name"
}

# tolvane_print_default NAME: makes the queue the default printer of the Wine prefix
# $WINEPREFIX. Wine copies CUPS's default only into a prefix that has none yet, and CUPS's
# default is one for the whole machine: another build tree may have set it to its own queue.
tolvane_print_default() {
  wine reg add 'HKCU\Software\Microsoft\Windows NT\CurrentVersion\Windows' /v device \
    /t REG_SZ /d "$1,wineps.drv,CUPS:$1" /f >/dev/null 2>&1
}

# tolvane_ps_copies FILE: the copy count that CUPS recorded for a saved job (FILE is
# DIR/job-ID.ps), read from the scheduler's control file of that job; fails when that file
# cannot be read (the folder is root's). The count travels beside the PostScript, not in it.
tolvane_ps_copies() {
  local id=${1##*/job-} spool=/var/spool/cups
  id=${id%.ps}
  local control i
  control=$spool/c$(printf '%05d' "$id")
  [ -r "$spool" ] && [ -x "$spool" ] || return 1
  # The scheduler writes a job's control file a little after the job has been printed.
  for ((i = 0; i < 100; i++)); do
    [ -r "$control" ] && break
    sleep 0.1
  done
  [ -r "$control" ] || return 1
  # The IPP attribute: name "copies", a value length of 4, then the value, big-endian.
  local bytes
  bytes=$(od -An -v -tx1 "$control" | tr -s ' \n' ' ' |
    grep -o '63 6f 70 69 65 73 00 04 [0-9a-f][0-9a-f] [0-9a-f][0-9a-f] [0-9a-f][0-9a-f] [0-9a-f][0-9a-f]' |
    head -1 | cut -d' ' -f9-12 | tr -d ' ')
  [ -n "$bytes" ] || return 1
  echo $((16#$bytes))
}

# tolvane_print_wait DIR COUNT [SECONDS]: waits until DIR holds COUNT saved jobs.
tolvane_print_wait() {
  local dir=$1 count=$2 seconds=${3:-60} i
  for i in $(seq 1 $((seconds * 10))); do
    [ "$(find "$dir" -maxdepth 1 -name 'job-*.ps' | wc -l)" -ge "$count" ] && return 0
    sleep 0.1
  done
  return 1
}

# tolvane_ps_pages FILE: the number of pages of a saved PostScript job.
tolvane_ps_pages() {
  grep -c '^%%Page: ' "$1"
}

# tolvane_ps_render FILE PREFIX: renders each page to PREFIX1.png, PREFIX2.png, ...
tolvane_ps_render() {
  gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=png16m -r50 -sOutputFile="$2%d.png" "$1"
}

# tolvane_ps_text FILE [PAGE]: the text Ghostscript finds on the pages, page after page, or
# on the one page given.
tolvane_ps_text() {
  local pages=()
  [ -n "${2:-}" ] && pages=(-dFirstPage="$2" -dLastPage="$2")
  gs -q -dNOPAUSE -dBATCH -dSAFER -sDEVICE=txtwrite "${pages[@]}" -sOutputFile=- "$1"
}
