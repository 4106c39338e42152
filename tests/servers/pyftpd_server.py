#!/usr/bin/env python3
"""An FTP server for the tests: pyftpdlib on 127.0.0.1, one user with full
rights on one folder. Binds a free port itself and prints it as the line
"PORT <number>" on standard output, then serves until it is terminated."""

import argparse
import logging
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--user", required=True)
    parser.add_argument("--password-file", required=True,
                        help="a file holding the password (kept off the command line)")
    parser.add_argument("--passive-ports", required=True, help="first-last")
    parser.add_argument("--log", required=True)
    args = parser.parse_args()

    logging.basicConfig(filename=args.log, level=logging.INFO)

    with open(args.password_file) as f:
        password = f.read().strip()
    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, password, args.root, perm="elradfmwMT")

    handler = FTPHandler
    handler.authorizer = authorizer
    handler.banner = "pyftpdlib ready."
    # A refused login is answered at once, not after pyftpdlib's 3 s pause.
    handler.auth_failed_timeout = 0
    first, last = (int(n) for n in args.passive_ports.split("-"))
    handler.passive_ports = range(first, last + 1)

    server = FTPServer(("127.0.0.1", 0), handler)
    print("PORT %d" % server.address[1], flush=True)
    server.serve_forever(handle_exit=True)


if __name__ == "__main__":
    sys.exit(main())
