#!/usr/bin/env bash
# FTP transfer benchmark: varnel-ftp against curl, lftp and ncftpget/ncftpput
# on one vsftpd served from tmpfs on 127.0.0.1, with iperf3 on loopback as
# the physical limit, all in one run. Prints a Markdown report.
#
#   bench/ftp/run.sh [--size-mib N] [--rounds N] [--list-entries N] [--varnel PATH]
#                    [--also LABEL=PATH]... [--transfers-only] [--no-peers]
#                    [--window PATH]
#
# --also adds another build of varnel-ftp as a column "varnel-ftp LABEL" (for
# example one built with other transfer block sizes); --transfers-only skips
# the listing and latency rows; --no-peers measures only the varnel-ftp
# builds (and iperf3); --window adds the window (build/release/bench/
# transfer_window_bench) as "varnel-client" to the rows it can take: the
# download to a file and the upload in active mode, which the window uses.
#
# Installs nothing: scripts/deps installs the peers. Needs root (vsftpd's
# anonymous uploads belong to the system user "ftp"). Every server it starts
# is stopped by pid and its folder in /dev/shm removed, also on failure.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
size_mib=1024
rounds=3
list_entries=100000
latency_runs=10
iperf_seconds=4
varnel="$root/build/release/src/cli/varnel-ftp"
variants=()
transfers_only=no
peers=(curl lftp ncftp)
window=

while [ $# -gt 0 ]; do
  case "$1" in
    --size-mib) size_mib=$2; shift 2 ;;
    --rounds) rounds=$2; shift 2 ;;
    --list-entries) list_entries=$2; shift 2 ;;
    --varnel) varnel=$2; shift 2 ;;
    --also) variants+=("$2"); shift 2 ;;
    --transfers-only) transfers_only=yes; shift ;;
    --no-peers) peers=(); shift ;;
    --window) window=$2; shift 2 ;;
    *) echo "run.sh: unknown argument $1" >&2; exit 2 ;;
  esac
done

missing=()
for tool in /usr/sbin/vsftpd curl lftp ncftpget ncftpput ncftpls iperf3 /usr/bin/time python3; do
  command -v "$tool" >/dev/null 2>&1 || missing+=("$tool")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "run.sh: missing ${missing[*]} (scripts/deps installs them)" >&2
  exit 1
fi
declare -A varnel_builds=([varnel-ftp]="$varnel")
tools=(varnel-ftp)
for variant in "${variants[@]}"; do
  varnel_builds["varnel-ftp ${variant%%=*}"]=${variant#*=}
  tools+=("varnel-ftp ${variant%%=*}")
done
tools+=("${peers[@]}")
[ -n "$window" ] && tools+=(varnel-client)
for build in "${varnel_builds[@]}" ${window:+"$window"}; do
  if [ ! -x "$build" ]; then
    echo "run.sh: $build is not built; build the Release configuration first" >&2
    exit 1
  fi
done
if [ "$(id -u)" -ne 0 ] || ! id ftp >/dev/null 2>&1; then
  echo "run.sh: needs root and the system user \"ftp\" (installed with vsftpd)" >&2
  exit 1
fi

work=$(mktemp -d /dev/shm/varnel-ftpbench-XXXXXX)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT

free_port() {
  python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

# ---- data: the big file, a small one for the memory check, a large folder ----
serve="$work/root"
mkdir -p "$serve/pub/up" "$serve/pub/many" "$work/empty" "$work/dl"
chmod 755 "$work"
[ "$transfers_only" = yes ] && list_entries=0
echo "run.sh: writing ${size_mib} MiB of random data and ${list_entries} folder entries" >&2
head -c $((size_mib * 1048576)) /dev/urandom > "$serve/pub/big.bin"
head -c $((64 * 1048576)) /dev/urandom > "$serve/pub/small.bin"
python3 - "$serve/pub/many" "$list_entries" <<'EOF'
import os, sys
folder, count = sys.argv[1], int(sys.argv[2])
for i in range(count):
    open(os.path.join(folder, "entry-%06d.dat" % i), "w").close()
EOF
chown ftp:ftp "$serve/pub/up"
big_bytes=$(stat -c %s "$serve/pub/big.bin")

# ---- vsftpd on 127.0.0.1 ----
port=$(free_port)
pasv_first=$((30000 + RANDOM % 2000))
cat > "$work/vsftpd.conf" <<EOF
listen=YES
listen_ipv6=NO
listen_address=127.0.0.1
listen_port=$port
background=NO
anonymous_enable=YES
local_enable=NO
no_anon_password=YES
anon_root=$serve
write_enable=YES
anon_upload_enable=YES
anon_other_write_enable=YES
anon_umask=022
pasv_enable=YES
pasv_address=127.0.0.1
pasv_min_port=$pasv_first
pasv_max_port=$((pasv_first + 63))
port_enable=YES
connect_from_port_20=NO
seccomp_sandbox=NO
isolate=NO
isolate_network=NO
secure_chroot_dir=$work/empty
xferlog_enable=NO
vsftpd_log_file=$work/vsftpd.log
EOF
chmod 600 "$work/vsftpd.conf"
/usr/sbin/vsftpd "$work/vsftpd.conf" &
pids+=($!)

iperf_port=$(free_port)
iperf3 -s -B 127.0.0.1 -p "$iperf_port" >"$work/iperf3-server.log" 2>&1 &
pids+=($!)

for _ in $(seq 100); do
  if curl -s --max-time 2 "ftp://127.0.0.1:$port/" >/dev/null 2>&1; then break; fi
  sleep 0.1
done
url="ftp://127.0.0.1:$port"

# ---- measuring ----
results="$work/results.txt"
: > "$results"
failures=0

# measure ROW TOOL BYTES OUTPUT COMMAND...: wall time, peak RSS, one line.
measure() {
  local row=$1 tool=$2 bytes=$3 output=$4
  shift 4
  local start end rss
  start=$(date +%s%N)
  if ! /usr/bin/time -v -o "$work/time.txt" "$@" >"$output" 2>"$work/cmd.err"; then
    echo "run.sh: FAILED $row $tool: $*" >&2
    cat "$work/cmd.err" >&2
    failures=$((failures + 1))
    return 0
  fi
  end=$(date +%s%N)
  rss=$(awk -F: '/Maximum resident set size/ {gsub(/ /, "", $2); print $2}' "$work/time.txt")
  echo "$row|$tool|$((end - start))|$rss|$bytes" >>"$results"
}

# through_window ROW ARGS...: one transfer through the window, which times itself
# from the button click to the end of the queue and records its line.
through_window() {
  local row=$1
  shift
  if ! QT_QPA_PLATFORM=offscreen "$window" "$port" "$@" --record "$results" "$row" \
      >>"$work/window.log" 2>&1; then
    echo "run.sh: FAILED $row varnel-client" >&2
    tail -5 "$work/window.log" >&2
    failures=$((failures + 1))
  fi
}

# check_file PATH: the transfer must have moved every byte.
check_file() {
  local size
  size=$(stat -c %s "$1" 2>/dev/null || echo 0)
  if [ "$size" != "$big_bytes" ]; then
    echo "run.sh: $1 has $size bytes, expected $big_bytes" >&2
    failures=$((failures + 1))
  fi
  rm -f "$1"
}

lftp_session() {  # MODE COMMANDS
  local passive=on
  [ "$1" = active ] && passive=off
  echo "set ftp:passive-mode $passive; set xfer:clobber on; set cmd:fail-exit yes;" \
       "open -u anonymous,bench $url; $2"
}

download() {  # MODE TOOL TARGET(file|null)
  local mode=$1 tool=$2 target=$3 row="download to tmpfs file ($1)"
  [ "$target" = null ] && row="download to /dev/null ($1)"
  local dest="$work/dl/big.bin" out=/dev/null
  [ "$target" = null ] && dest=/dev/null
  local active=() curl_port=() ncftp_mode=-F
  if [ "$mode" = active ]; then
    active=(--active)
    curl_port=(-P 127.0.0.1)
    ncftp_mode=-E
  fi
  case "$tool" in
    varnel-client)
      [ "$mode" = active ] && [ "$target" = file ] || return 0
      through_window "$row" /pub get big.bin "$work/dl" ;;
    varnel-ftp*) measure "$row" "$tool" "$big_bytes" "$out" \
                   "${varnel_builds[$tool]}" -q "${active[@]}" "$url/pub/" get big.bin "$dest" ;;
    curl) measure "$row" "$tool" "$big_bytes" "$out" \
            curl -sS "${curl_port[@]}" -o "$dest" "$url/pub/big.bin" ;;
    lftp) measure "$row" "$tool" "$big_bytes" "$out" \
            lftp -c "$(lftp_session "$mode" "get /pub/big.bin -o $dest")" ;;
    ncftp)
      if [ "$target" = null ]; then
        measure "$row" ncftp "$big_bytes" /dev/null \
          ncftpget -V -u anonymous -p bench -P "$port" "$ncftp_mode" -c 127.0.0.1 /pub/big.bin
      else
        measure "$row" ncftp "$big_bytes" "$out" \
          ncftpget -V -u anonymous -p bench -P "$port" "$ncftp_mode" 127.0.0.1 "$work/dl" \
          /pub/big.bin
      fi ;;
  esac
  [ "$target" = file ] && check_file "$work/dl/big.bin"
  return 0
}

upload() {  # MODE TOOL
  local mode=$1 tool=$2 row="upload ($1)" src="$serve/pub/big.bin"
  local active=() curl_port=() ncftp_mode=-F
  if [ "$mode" = active ]; then
    active=(--active)
    curl_port=(-P 127.0.0.1)
    ncftp_mode=-E
  fi
  case "$tool" in
    varnel-client)
      [ "$mode" = active ] || return 0
      through_window "$row" /pub/up put "$serve/pub" big.bin ;;
    varnel-ftp*) measure "$row" "$tool" "$big_bytes" /dev/null \
                   "${varnel_builds[$tool]}" -q "${active[@]}" "$url/pub/up/" put "$src" big.bin ;;
    curl) measure "$row" "$tool" "$big_bytes" /dev/null \
            curl -sS "${curl_port[@]}" -T "$src" "$url/pub/up/big.bin" ;;
    lftp) measure "$row" "$tool" "$big_bytes" /dev/null \
            lftp -c "$(lftp_session "$mode" "put $src -o /pub/up/big.bin")" ;;
    ncftp) measure "$row" "$tool" "$big_bytes" /dev/null \
             ncftpput -V -u anonymous -p bench -P "$port" "$ncftp_mode" 127.0.0.1 /pub/up "$src" ;;
  esac
  check_file "$serve/pub/up/big.bin"
}

listing() {  # TOOL
  local row="login + LIST of $list_entries entries"
  case "$1" in
    varnel-ftp*) measure "$row" "$1" 0 /dev/null "${varnel_builds[$1]}" -q "$url/pub/many/" ls ;;
    curl) measure "$row" "$1" 0 /dev/null curl -sS "$url/pub/many/" ;;
    lftp) measure "$row" "$1" 0 /dev/null lftp -c "$(lftp_session passive "ls /pub/many")" ;;
    ncftp) measure "$row" "$1" 0 /dev/null \
             ncftpls -l -u anonymous -p bench -P "$port" "ftp://127.0.0.1/pub/many/" ;;
  esac
}

# Connect, log in, one command without a data connection where the tool
# allows it, quit.
latency() {  # TOOL
  local row="connect, login, quit"
  case "$1" in
    varnel-ftp*) measure "$row" "$1" 0 /dev/null "${varnel_builds[$1]}" -q "$url/" pwd ;;
    curl) measure "$row" "$1" 0 /dev/null curl -sS -I "$url/pub/small.bin" ;;
    lftp) measure "$row" "$1" 0 /dev/null lftp -c "$(lftp_session passive "quote NOOP")" ;;
    ncftp) measure "$row" "$1" 0 /dev/null \
             ncftpls -u anonymous -p bench -P "$port" "ftp://127.0.0.1/pub/up/" ;;
  esac
}

echo "run.sh: load before the run: $(cut -d' ' -f1-3 /proc/loadavg)" >&2
for round in $(seq "$rounds"); do
  echo "run.sh: round $round of $rounds" >&2
  iperf3 -c 127.0.0.1 -p "$iperf_port" -t "$iperf_seconds" -J >"$work/iperf3.json"
  python3 - "$work/iperf3.json" "$results" <<'EOF'
import json, sys
bits = json.load(open(sys.argv[1]))["end"]["sum_received"]["bits_per_second"]
# As the time to move 1 GiB at the measured rate.
gib = 1 << 30
open(sys.argv[2], "a").write("iperf3 single stream|iperf3|%d|0|%d\n" % (1e9 * gib * 8 / bits, gib))
EOF
  for mode in passive active; do
    for target in file null; do
      for tool in "${tools[@]}"; do download "$mode" "$tool" "$target"; done
    done
    for tool in "${tools[@]}"; do upload "$mode" "$tool"; done
  done
  if [ "$transfers_only" = no ]; then
    for tool in "${tools[@]}"; do [ "$tool" = varnel-client ] || listing "$tool"; done
    for _ in $(seq "$latency_runs"); do
      for tool in "${tools[@]}"; do [ "$tool" = varnel-client ] || latency "$tool"; done
    done
  fi
  # Peak memory must not grow with the file: the same download of 64 MiB.
  measure "varnel-ftp peak RSS, 64 MiB file" varnel-ftp $((64 * 1048576)) /dev/null \
    "$varnel" -q "$url/pub/" get small.bin /dev/null
  if [ -n "$window" ]; then
    through_window "varnel-client peak RSS, 64 MiB file" /pub get small.bin "$work/dl"
    rm -f "$work/dl/small.bin"
  fi
done
echo "run.sh: load after the run: $(cut -d' ' -f1-3 /proc/loadavg)" >&2

python3 "$root/bench/ftp/report.py" "$results" "$size_mib" "$rounds"
if [ "$failures" -ne 0 ]; then
  echo "run.sh: $failures measurement(s) failed" >&2
  exit 1
fi
