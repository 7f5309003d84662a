#!/usr/bin/python3
"""FTP server on 127.0.0.1 for the template exchange tests.

Usage: ftp_server.py HOME USER PASSWORD [--stall-after BYTES]
Serves one account whose home is HOME, decodes names as GBK like the servers the program
meets, prints "LISTENING <port>" once bound and serves until killed. With --stall-after the
data connection stops moving data after BYTES bytes in either direction and stays open.
"""
import argparse
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import DTPHandler, FTPHandler
from pyftpdlib.servers import FTPServer


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("home")
    parser.add_argument("user")
    parser.add_argument("password")
    parser.add_argument("--stall-after", type=int, default=-1)
    args = parser.parse_args()

    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.home, perm="elradfmwMT")

    class GbkHandler(FTPHandler):
        auth_failed_timeout = 0
        banner = "test server ready"

        def decode(self, data):
            return data.decode("gbk", self.unicode_errors)

    class StallingDTPHandler(DTPHandler):
        moved = 0

        def _stall_if_due(self, count):
            self.moved += count
            if self.moved >= args.stall_after:
                # Keep the socket open but stop serving it: the peer sees a silent connection.
                self.del_channel()

        def send(self, data):
            data = data[: max(1, args.stall_after - self.moved)]
            sent = DTPHandler.send(self, data)
            self._stall_if_due(sent)
            return sent

        def handle_read(self):
            before = self.tot_bytes_received
            DTPHandler.handle_read(self)
            self._stall_if_due(self.tot_bytes_received - before)

        handle_read_event = handle_read

    GbkHandler.authorizer = authorizer
    if args.stall_after >= 0:
        GbkHandler.dtp_handler = StallingDTPHandler
        # sendfile() would move the file past send() and never stall.
        GbkHandler.use_sendfile = False

    server = FTPServer(("127.0.0.1", 0), GbkHandler)
    print("LISTENING %d" % server.socket.getsockname()[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    sys.exit(main())
