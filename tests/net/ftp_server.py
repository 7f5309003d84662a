#!/usr/bin/python3
"""FTP server on 127.0.0.1 for the template exchange tests.

Usage: ftp_server.py HOME USER PASSWORD [--stall-after BYTES] [--cut-after BYTES] [--rate BYTES]
                     [--no-rename-over] [--no-rename-part] [--slow-rename SECONDS]
Serves one account whose home is HOME, decodes names as GBK like the servers the program
meets, prints "LISTENING <port>" once bound and serves until killed. It refuses passive mode,
so every transfer proves that the client works in active mode.
  --stall-after   the data connection stops moving data after BYTES bytes and stays open
  --cut-after     the data connection is closed after BYTES bytes
  --rate          the data connection moves at most BYTES bytes a second
  --no-rename-over  RNTO refuses a name that exists, as some servers do
  --no-rename-part  RNFR refuses names ending in ".part", so that an upload cannot take its name
  --slow-rename   RNTO says "RNTO <name>" on stderr, then waits SECONDS before it renames and answers
"""
import argparse
import os
import sys
import time

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import DTPHandler, FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("home")
    parser.add_argument("user")
    parser.add_argument("password")
    parser.add_argument("--stall-after", type=int, default=-1)
    parser.add_argument("--cut-after", type=int, default=-1)
    parser.add_argument("--rate", type=int, default=0)
    parser.add_argument("--no-rename-over", action="store_true")
    parser.add_argument("--no-rename-part", action="store_true")
    parser.add_argument("--slow-rename", type=float, default=0)
    args = parser.parse_args()

    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.home, perm="elradfmwMT")

    class Handler(FTPHandler):
        auth_failed_timeout = 0
        banner = "test server ready"

        def decode(self, data):
            return data.decode("gbk", self.unicode_errors)

        def ftp_PASV(self, line):
            self.respond("502 Passive mode refused.")

        ftp_EPSV = ftp_PASV

        def ftp_RNTO(self, path):
            if args.slow_rename:
                print("RNTO %s" % os.path.basename(path), file=sys.stderr, flush=True)
                time.sleep(args.slow_rename)
            if args.no_rename_over and os.path.exists(path):
                self.respond("550 Cannot create a file when that file already exists.")
                self._rnfr = None
                return
            return FTPHandler.ftp_RNTO(self, path)

        def ftp_RNFR(self, path):
            if args.no_rename_part and path.endswith(".part"):
                self.respond("550 File is in use.")
                return
            return FTPHandler.ftp_RNFR(self, path)

    class FaultyDTPHandler(DTPHandler):
        moved = 0

        def _fault_if_due(self, count):
            self.moved += count
            if 0 <= args.cut_after <= self.moved:
                self._resp = ("426 Connection closed; transfer aborted.", lambda *a, **k: None)
                self.close()
            elif 0 <= args.stall_after <= self.moved:
                # Keep the socket open but stop serving it: the peer sees a silent connection.
                self.del_channel()

        def send(self, data):
            limit = max(args.stall_after, args.cut_after)
            data = data[: max(1, limit - self.moved)]
            sent = DTPHandler.send(self, data)
            self._fault_if_due(sent)
            return sent

        def handle_read(self):
            before = self.tot_bytes_received
            DTPHandler.handle_read(self)
            self._fault_if_due(self.tot_bytes_received - before)

        handle_read_event = handle_read

    Handler.authorizer = authorizer
    if args.stall_after >= 0 or args.cut_after >= 0:
        Handler.dtp_handler = FaultyDTPHandler
        # sendfile() would move the file past send() and never fail.
        Handler.use_sendfile = False
    elif args.rate > 0:
        ThrottledDTPHandler.read_limit = args.rate
        ThrottledDTPHandler.write_limit = args.rate
        Handler.dtp_handler = ThrottledDTPHandler

    server = FTPServer(("127.0.0.1", 0), Handler)
    print("LISTENING %d" % server.socket.getsockname()[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    sys.exit(main())
