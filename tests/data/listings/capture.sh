#!/usr/bin/env bash
# Recreates the LIST fixtures of this folder from real servers on 127.0.0.1:
# pyftpdlib and vsftpd each serve the same freshly built tree, and curl saves
# the bytes of the data connection exactly as received (CR LF kept).
# Usage: capture.sh [output folder]   (default: the folder of this script)
set -euo pipefail
out=$(cd "${1:-$(dirname "$0")}" && pwd)
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

free_port() {
  /usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'
}

wait_for_port() {
  for _ in $(seq 50); do
    if curl -s -o /dev/null "ftp://127.0.0.1:$1/"; then return 0; fi
    sleep 0.1
  done
  echo "capture: no FTP server on port $1" >&2
  return 1
}

# The served tree: every size class, folders, a link, blanks and month words
# inside names, old entries (year shown) and recent ones (time shown).
root="$work/root"
mkdir -p "$root/sub" "$root/My Folder" "$root/May" "$root/jan archive" "$root/empty dir"
: > "$root/empty.txt"
head -c 1 /dev/zero > "$root/one.bin"
head -c 1023 /dev/zero > "$root/k1023.bin"
head -c 1024 /dev/zero > "$root/k1024.bin"
head -c 1536 /dev/zero > "$root/k1536.bin"
head -c 2560 /dev/zero > "$root/Jan report.txt"
head -c 300 /dev/zero > "$root/name with blanks.txt"
head -c 5242880 /dev/zero > "$root/big5m.bin"
head -c 700 /dev/zero > "$root/mar notes.txt"
head -c 42 /dev/zero > "$root/old.txt"
head -c 2048 /dev/zero > "$root/$(printf 'caf\303\251.txt')"
head -c 10 /dev/zero > "$root/sub/inner.txt"
ln -s k1024.bin "$root/link.txt"
touch -d 2019-03-04T10:00:00 "$root/old.txt" "$root/jan archive" "$root/My Folder"
touch -d 2019-01-15T12:00:00 "$root/mar notes.txt"
touch -h -d 2019-03-04T10:00:00 "$root/link.txt"
chmod -R a+rX "$root"

# curl turns the CR LF of a listing into LF when it writes the output, so the
# bytes are taken from its trace of the data connection instead.
fetch_list() {  # output curl-arguments...
  local out_file=$1
  shift
  curl -s --trace "$work/trace" -o /dev/null "$@"
  perl -ne '
    if (/^(<=|=>|==) /) { $data = /^<= Recv data/; next }
    print pack("H*", join("", substr($_, 6, 48) =~ /([0-9a-f]{2})/g)) if $data && /^[0-9a-f]{4}: /;
  ' "$work/trace" > "$out_file"
}

capture() {  # name port [extra LIST arguments, saved as name-all.txt]
  fetch_list "$out/$1.txt" "ftp://127.0.0.1:$2/"
  fetch_list "$out/$1-empty.txt" "ftp://127.0.0.1:$2/empty%20dir/"
  if [ $# -gt 2 ]; then
    fetch_list "$out/$1-all.txt" -X "LIST $3" "ftp://127.0.0.1:$2/"
  fi
}

port=$(free_port)
/usr/bin/python3 -m pyftpdlib -i 127.0.0.1 -p "$port" -d "$root" >"$work/pyftpdlib.log" 2>&1 &
pids+=($!)
wait_for_port "$port"
capture pyftpdlib "$port"

mkdir -p "$work/empty"
port=$(free_port)
cat > "$work/vsftpd.conf" <<CONF
listen=YES
listen_ipv6=NO
listen_address=127.0.0.1
listen_port=$port
anonymous_enable=YES
local_enable=NO
anon_root=$root
no_anon_password=YES
run_as_launching_user=YES
secure_chroot_dir=$work/empty
background=NO
use_localtime=NO
pasv_enable=YES
seccomp_sandbox=NO
CONF
/usr/sbin/vsftpd "$work/vsftpd.conf" >"$work/vsftpd.log" 2>&1 &
pids+=($!)
wait_for_port "$port"
capture vsftpd "$port" -a
