#!/usr/bin/env python3
"""A scripted FTP server for the listing benchmark, on 127.0.0.1 only.

It logs in anyone and serves generated listings instead of a folder: after
"CWD n<count>" (a URL path /n1000000/) LIST and NLST send <count> entries,
after "CWD endless" they send entries until the client goes away. Passive
mode only (PASV and EPSV). Prints "PORT <number>" once it listens, then
serves until it is terminated; each control connection gets a thread.
"""

import argparse
import socket
import sys
import threading

LONG_LINE = "-rw-r--r--   1 ftp      ftp      %10d Dec 08 07:38 file%08d.dat\r\n"
NAME_LINE = "file%08d.dat\r\n"
BATCH = 1000  # entries per send


def blocks(count, names_only):
    """The listing in blocks of BATCH entries; count 0 never ends."""
    start = 0
    while count == 0 or start < count:
        end = start + BATCH if count == 0 else min(start + BATCH, count)
        if names_only:
            text = "".join(NAME_LINE % i for i in range(start, end))
        else:
            text = "".join(LONG_LINE % (i * 7919 % 1000000000, i) for i in range(start, end))
        yield text.encode("ascii")
        start = end


class Session:
    def __init__(self, control):
        self.control = control
        self.reader = control.makefile("rb")
        self.passive = None
        self.count = 1000

    def reply(self, text):
        self.control.sendall(text.encode("latin-1") + b"\r\n")

    def run(self):
        self.reply("220 listing benchmark server")
        for raw in self.reader:
            command, _, argument = raw.decode("latin-1").strip().partition(" ")
            handler = getattr(self, "do_" + command.upper(), None)
            if handler is None:
                self.reply("502 not implemented")
            elif handler(argument) is False:
                break

    def do_USER(self, _):
        self.reply("331 any password")

    def do_PASS(self, _):
        self.reply("230 logged in")

    def do_SYST(self, _):
        self.reply("215 UNIX Type: L8")

    def do_FEAT(self, _):
        self.control.sendall(b"211-Features:\r\n EPSV\r\n PASV\r\n211 End\r\n")

    def do_TYPE(self, _):
        self.reply("200 type set")

    def do_OPTS(self, _):
        self.reply("200 ok")

    def do_PWD(self, _):
        self.reply('257 "/"')

    def do_CWD(self, argument):
        name = argument.strip("/")
        if name == "endless":
            self.count = 0
        elif name.startswith("n") and name[1:].isdigit() and int(name[1:]) > 0:
            self.count = int(name[1:])
        elif name not in ("", "."):
            self.reply("550 no such folder")
            return
        self.reply("250 ok")

    def listen(self):
        if self.passive:
            self.passive.close()
        self.passive = socket.socket()
        self.passive.bind(("127.0.0.1", 0))
        self.passive.listen(1)
        return self.passive.getsockname()[1]

    def do_PASV(self, _):
        port = self.listen()
        self.reply("227 Entering Passive Mode (127,0,0,1,%d,%d)" % (port >> 8, port & 255))

    def do_EPSV(self, _):
        self.reply("229 Entering Extended Passive Mode (|||%d|)" % self.listen())

    def do_LIST(self, _):
        self.send_listing(names_only=False)

    def do_NLST(self, _):
        self.send_listing(names_only=True)

    def send_listing(self, names_only):
        if not self.passive:
            self.reply("425 use PASV first")
            return
        self.reply("150 here it comes")
        data, _ = self.passive.accept()
        self.passive.close()
        self.passive = None
        try:
            for block in blocks(self.count, names_only):
                data.sendall(block)
        except OSError:
            data.close()
            self.reply("426 the client went away")
            return
        data.close()
        self.reply("226 done")

    def do_QUIT(self, _):
        self.reply("221 bye")
        return False


def serve(control):
    try:
        Session(control).run()
    except OSError:
        pass
    finally:
        control.close()


def main():
    argparse.ArgumentParser(description=__doc__).parse_args()
    listener = socket.socket()
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", 0))
    listener.listen(8)
    print("PORT %d" % listener.getsockname()[1], flush=True)
    while True:
        control, _ = listener.accept()
        threading.Thread(target=serve, args=(control,), daemon=True).start()


if __name__ == "__main__":
    sys.exit(main())
