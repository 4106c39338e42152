#!/usr/bin/env python3
"""FTP transfer benchmark: varnel-ftp against curl, lftp and ncftp on one
vsftpd serving from tmpfs on 127.0.0.1, with iperf3 on loopback as the
reference. Tools run pair by pair (varnel-ftp and one peer, the one that goes
first changing from pair to pair), so slow drift of the machine (builds,
frequency) falls on both sides of every comparison. Prints a Markdown report.

    bench/ftp/run.py [--size-mib 1024] [--upload-mib 512] [--pairs 9]
                     [--varnel PATH] [--also LABEL=PATH]... [--peers curl,lftp,ncftp]
                     [--modes passive,active] [--kinds file,null,put] [--results FILE]
                     [--window PATH]
    bench/ftp/report.py FILE            # the report again from saved results

--window adds the window (build/release/bench/transfer_window_bench) as the
partner "varnel-client" in the rows it can take, the download to a file and
the upload in active mode (the window always transfers in active mode). Its
time runs from the click on Download or Upload to the end of the queue (the
SIZE query, the transfer and the listing that follows); the window's start
and login are left out, while varnel-ftp's time includes its connect and
login, a few milliseconds on loopback.

Runs as any user and installs nothing (scripts/deps installs the peers).
vsftpd runs as whoever starts it, outside a chroot, so its anonymous login
takes a secret password that reaches every client through a private file or
the environment, never a command line that other users could read. Every
process it starts is stopped by pid and its folder in /dev/shm removed, also
when it fails or is interrupted.
"""

import argparse
import json
import os
import secrets
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

import report

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
MIB = 1 << 20
VSFTPD = "/usr/sbin/vsftpd"
PEERS = ["curl", "lftp", "ncftp"]
# vsftpd takes "ftp" as an anonymous login; varnel-ftp sends its password from
# $VARNEL_FTP_PASSWORD only for a user that is not named "anonymous".
USER = "ftp"
IPERF_SECONDS = 3
BUSY_SAMPLE_SECONDS = 3
WINDOW = "varnel-client"


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def write_private(path, text):
    fd = os.open(path, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o600)
    with os.fdopen(fd, "w") as f:
        f.write(text)


def write_random(path, size):
    with open(path, "wb") as f:
        left = size
        while left > 0:
            block = min(left, 16 * MIB)
            f.write(os.urandom(block))
            left -= block


def same_bytes(a, b):
    with open(a, "rb") as fa, open(b, "rb") as fb:
        while True:
            x, y = fa.read(4 * MIB), fb.read(4 * MIB)
            if x != y:
                return False
            if not x:
                return True


def load_average():
    with open("/proc/loadavg") as f:
        return " ".join(f.read().split()[:3])


def cpu_times():
    with open("/proc/stat") as f:
        values = [int(v) for v in f.readline().split()[1:9]]
    return sum(values), values[3] + values[4]  # all, idle + iowait


def busy_share(seconds=BUSY_SAMPLE_SECONDS):
    """The share of all cores busy while nothing of the benchmark runs: the
    work of others on the machine."""
    total, idle = cpu_times()
    time.sleep(seconds)
    total_after, idle_after = cpu_times()
    spent = total_after - total
    return 100 * (spent - (idle_after - idle)) / spent if spent else 0


class Bench:
    def __init__(self, args):
        self.args = args
        self.work = tempfile.mkdtemp(prefix="varnel-ftpbench-", dir="/dev/shm")
        self.serve = os.path.join(self.work, "root")
        self.pids = []
        self.password = secrets.token_hex(16)
        self.failures = 0
        self.results = open(args.results, "w") if args.results else None
        self.window_out = os.path.join(self.work, "window.out")
        self.records = []
        self.builds = {"varnel-ftp": args.varnel}
        for also in args.also:
            label, path = also.split("=", 1)
            self.builds["varnel-ftp " + label] = path
        if args.window:
            self.builds[WINDOW] = args.window

    # ---- set-up ----

    def prepare(self):
        for folder in ("pub/up", "empty"):
            os.makedirs(os.path.join(self.serve, folder))
        os.makedirs(os.path.join(self.work, "dl"))
        os.makedirs(os.path.join(self.work, "src"))
        self.down_bytes = self.args.size_mib * MIB
        self.up_bytes = self.args.upload_mib * MIB
        self.served = os.path.join(self.serve, "pub", "big.bin")
        # ncftpput names the remote file after the local one.
        self.upload_source = os.path.join(self.work, "src", "big.bin")
        print(f"run.py: writing {self.args.size_mib} MiB of random data", file=sys.stderr)
        write_random(self.served, self.down_bytes)
        with open(self.served, "rb") as src, open(self.upload_source, "wb") as dst:
            os.copy_file_range(src.fileno(), dst.fileno(), self.up_bytes)
        write_private(os.path.join(self.work, "passwords"), self.password + "\n")
        write_private(os.path.join(self.work, "netrc"),
                      f"machine 127.0.0.1 login {USER} password {self.password}\n")
        write_private(os.path.join(self.work, "ncftp-login"),
                      f"host 127.0.0.1\nuser {USER}\npass {self.password}\n")

    def start_servers(self):
        self.port = free_port()
        pasv_first = 30000 + secrets.randbelow(2000)
        config = os.path.join(self.work, "vsftpd.conf")
        write_private(config, "\n".join([
            "listen=YES", "listen_ipv6=NO", "listen_address=127.0.0.1",
            f"listen_port={self.port}", "background=NO", "run_as_launching_user=YES",
            "anonymous_enable=YES", "local_enable=NO",
            "secure_email_list_enable=YES",
            f"email_password_file={self.work}/passwords",
            f"anon_root={self.serve}", "write_enable=YES", "anon_upload_enable=YES",
            "anon_other_write_enable=YES", "anon_umask=022",
            "pasv_enable=YES", "pasv_address=127.0.0.1",
            f"pasv_min_port={pasv_first}", f"pasv_max_port={pasv_first + 63}",
            "port_enable=YES", "connect_from_port_20=NO",
            "seccomp_sandbox=NO", "isolate=NO", "isolate_network=NO",
            "xferlog_enable=NO", f"vsftpd_log_file={self.work}/vsftpd.log", ""]))
        self.spawn([VSFTPD, config])
        self.iperf_port = free_port()
        self.spawn(["iperf3", "-s", "-B", "127.0.0.1", "-p", str(self.iperf_port)])
        self.url = f"ftp://127.0.0.1:{self.port}"
        deadline = time.monotonic() + 15
        while time.monotonic() < deadline:
            try:
                with socket.create_connection(("127.0.0.1", self.port), timeout=1) as s:
                    if s.recv(3) == b"220":
                        return
            except OSError:
                pass
            time.sleep(0.1)
        raise RuntimeError("vsftpd did not answer; see " + self.work + "/vsftpd.log")

    def spawn(self, command):
        process = subprocess.Popen(command, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        self.pids.append(process)

    def cleanup(self):
        for process in self.pids:
            process.terminate()
            try:
                process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
        shutil.rmtree(self.work, ignore_errors=True)

    # ---- the commands ----

    def lftp_script(self, name, mode, command):
        path = os.path.join(self.work, name)
        passive = "on" if mode == "passive" else "off"
        write_private(path, f"set ftp:passive-mode {passive}; set xfer:clobber on; "
                            f"set cmd:fail-exit yes; open -u {USER},{self.password} "
                            f"{self.url}; {command}\n")
        return path

    def command(self, tool, row):
        """The command line, the file its standard output goes to, and the
        environment of one measurement."""
        mode, kind = row
        active = mode == "active"
        dest = "/dev/null" if kind == "null" else os.path.join(self.work, "dl", "big.bin")
        env = None
        if tool == WINDOW:
            env = dict(os.environ, QT_QPA_PLATFORM="offscreen", VARNEL_BENCH_USER=USER,
                       VARNEL_BENCH_PASSWORD=self.password)
            base = [self.builds[tool], str(self.port)]
            # Outside a chroot, vsftpd's folders are named by their full path.
            pub = os.path.join(self.serve, "pub")
            if kind == "put":
                return base + [os.path.join(pub, "up"), "put",
                               os.path.dirname(self.upload_source), "big.bin"], self.window_out, env
            return base + [pub, "get", "big.bin", os.path.dirname(dest)], self.window_out, env
        if tool.startswith("varnel-ftp"):
            env = dict(os.environ, VARNEL_FTP_PASSWORD=self.password)
            base = [self.builds[tool], "-q"] + (["--active"] if active else [])
            if kind == "put":
                return base + [f"ftp://{USER}@127.0.0.1:{self.port}/pub/up/", "put",
                               self.upload_source, "big.bin"], None, env
            return base + [f"ftp://{USER}@127.0.0.1:{self.port}/pub/", "get", "big.bin",
                           dest], None, env
        if tool == "curl":
            base = ["curl", "-sS", "--netrc-file", os.path.join(self.work, "netrc")]
            base += ["-P", "127.0.0.1"] if active else []
            if kind == "put":
                return base + ["-T", self.upload_source, self.url + "/pub/up/big.bin"], None, env
            return base + ["-o", dest, self.url + "/pub/big.bin"], None, env
        if tool == "lftp":
            if kind == "put":
                script = self.lftp_script(f"lftp-{mode}-put", mode,
                                          f"put {self.upload_source} -o pub/up/big.bin")
            else:
                script = self.lftp_script(f"lftp-{mode}-{kind}", mode,
                                          f"get pub/big.bin -o {dest}")
            return ["lftp", "-f", script], None, env
        # The login file names the host.
        base = ["-V", "-f", os.path.join(self.work, "ncftp-login"), "-P", str(self.port),
                "-E" if active else "-F"]
        if kind == "put":
            return ["ncftpput"] + base + ["pub/up", self.upload_source], None, env
        if kind == "null":
            return ["ncftpget"] + base + ["-c", "pub/big.bin"], "/dev/null", env
        return ["ncftpget"] + base + [os.path.join(self.work, "dl"), "pub/big.bin"], None, env

    # ---- measuring ----

    def run_once(self, tool, row, pair, check_bytes):
        argv, stdout_path, env = self.command(tool, row)
        mode, kind = row
        target = os.path.join(self.serve, "pub", "up", "big.bin") if kind == "put" else \
            os.path.join(self.work, "dl", "big.bin")
        stdout = open(stdout_path or os.devnull, "wb")
        stderr = tempfile.TemporaryFile()
        usage = os.path.join(self.work, "usage")
        # GNU time reports the client's own peak memory: a child of this
        # interpreter would inherit the interpreter's in its maximum.
        start = time.perf_counter()
        status = subprocess.call(["/usr/bin/time", "-f", "%U %S %M", "-o", usage] + argv,
                                 stdout=stdout, stderr=stderr, env=env)
        seconds = time.perf_counter() - start
        stdout.close()
        ok = status == 0
        expected = self.up_bytes if kind == "put" else self.down_bytes
        if ok and kind != "null":
            size = os.path.getsize(target) if os.path.exists(target) else -1
            source = self.upload_source if kind == "put" else self.served
            if size != expected or (check_bytes and not same_bytes(target, source)):
                ok = False
                print(f"run.py: {tool} {mode} {kind}: {target} is not the file sent "
                      f"({size} bytes)", file=sys.stderr)
        if os.path.exists(target):
            os.unlink(target)
        if not ok:
            stderr.seek(0)
            print(f"run.py: FAILED {tool} {mode} {kind}: {' '.join(argv)}\n"
                  f"{stderr.read().decode(errors='replace')}", file=sys.stderr)
            self.failures += 1
            return
        with open(usage) as f:
            user, system, rss_kib = f.read().split()[-3:]
        if tool == WINDOW:
            with open(self.window_out) as f:
                seconds = float(f.readline().split()[1])
        self.save(report.Measurement(f"{kind} {mode}", tool, pair, seconds,
                                     float(user) + float(system), int(rss_kib), expected).line())

    def save(self, line):
        self.records.append(line)
        if self.results:
            print(line, file=self.results, flush=True)

    def note(self, key, value):
        self.save(f"# {key}|{value}")

    def iperf(self, when):
        out = subprocess.run(["iperf3", "-c", "127.0.0.1", "-p", str(self.iperf_port),
                              "-t", str(IPERF_SECONDS), "-J"],
                             capture_output=True, text=True, check=True).stdout
        bits = json.loads(out)["end"]["sum_received"]["bits_per_second"]
        self.note(f"iperf3 {when}", f"{bits / 8 / MIB:.0f}")

    def partners(self, row):
        """varnel-ftp's partners in a row: the peers, then the other builds."""
        mode, kind = row
        window_row = mode == "active" and kind in ("file", "put")
        return self.args.peers + [t for t in self.builds
                                  if t != "varnel-ftp" and (t != WINDOW or window_row)]

    def run(self):
        rows = [(mode, kind) for mode in self.args.modes for kind in self.args.kinds]
        self.note("sizes", f"{self.args.size_mib} MiB down, {self.args.upload_mib} MiB up, "
                           f"{self.args.pairs} pairs per peer and row")
        self.note("load before", load_average())
        self.note("busy before", f"{busy_share():.0f}")
        self.iperf("before")
        for round_no in range(self.args.pairs):
            print(f"run.py: pair round {round_no + 1} of {self.args.pairs}", file=sys.stderr)
            for row in rows:
                partners = self.partners(row)
                if not partners:
                    continue
                shift = round_no % len(partners)
                for k, partner in enumerate(partners[shift:] + partners[:shift]):
                    pair = ["varnel-ftp", partner]
                    if (round_no + k) % 2:
                        pair.reverse()
                    for tool in pair:
                        self.run_once(tool, row, f"{round_no}:{partner}",
                                      check_bytes=round_no == 0)
        self.iperf("after")
        self.note("busy after", f"{busy_share():.0f}")
        self.note("load after", load_average())


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--size-mib", type=int, default=1024, help="download size")
    parser.add_argument("--upload-mib", type=int, default=512, help="upload size")
    parser.add_argument("--pairs", type=int, default=9, help="pairs per peer and row")
    parser.add_argument("--varnel", default=os.path.join(ROOT, "build/release/src/cli/varnel-ftp"))
    parser.add_argument("--also", action="append", default=[], metavar="LABEL=PATH",
                        help="another varnel-ftp build, paired with varnel-ftp like a peer")
    parser.add_argument("--peers", default=",".join(PEERS),
                        help="comma-separated subset of curl,lftp,ncftp; empty for none")
    parser.add_argument("--modes", default="passive,active")
    parser.add_argument("--kinds", default="file,null,put",
                        help="rows: download to a file, to /dev/null, upload")
    parser.add_argument("--results", help="also write the raw measurements to this file")
    parser.add_argument("--window", help="the window's benchmark driver, paired like a peer")
    args = parser.parse_args()
    args.peers = [p for p in args.peers.split(",") if p]
    args.modes = [m for m in args.modes.split(",") if m]
    args.kinds = [k for k in args.kinds.split(",") if k]
    if args.upload_mib > args.size_mib:
        parser.error("--upload-mib cannot exceed --size-mib")
    needed = [VSFTPD, "iperf3", "/usr/bin/time"] + [t for p in args.peers
                                   for t in {"curl": ["curl"], "lftp": ["lftp"],
                                             "ncftp": ["ncftpget", "ncftpput"]}[p]]
    missing = [t for t in needed if shutil.which(t) is None]
    if missing:
        sys.exit(f"run.py: missing {' '.join(missing)} (scripts/deps installs them)")
    bench = Bench(args)
    for path in bench.builds.values():
        if not os.access(path, os.X_OK):
            sys.exit(f"run.py: {path} is not built; build the Release configuration first")
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    try:
        bench.prepare()
        bench.start_servers()
        bench.run()
    finally:
        bench.cleanup()
    report.print_report(bench.records)
    if bench.failures:
        sys.exit(f"run.py: {bench.failures} measurement(s) failed")


if __name__ == "__main__":
    main()
