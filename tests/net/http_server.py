#!/usr/bin/python3
"""HTTP server on 127.0.0.1 for the web client and update check tests.

Usage: http_server.py ROOT
Prints "LISTENING <port>" once bound and serves until killed.
  /files/NAME        the bytes of ROOT/NAME, or a 404 page when it is missing
  /status/CODE       an HTML error page with that status
  /redirect?to=PATH  302 to PATH
  /setcookie         sets the cookies "session=abc123; Path=/" and "lang=zh"; with ?pad=N after
                     a header of N bytes
  /echo              the request line, headers and body as received
  /big?bytes=N       N bytes of "x"
  /stall?bytes=N     announces 2N bytes, sends N and then stays silent
"""
import sys
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qs, urlsplit


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    root = "."

    def log_message(self, fmt, *args):
        sys.stderr.write("%s\n" % (fmt % args))

    def reply(self, status, body, headers=()):
        self.send_response(status)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def handle_any(self):
        url = urlsplit(self.path)
        query = parse_qs(url.query)
        length = int(self.headers.get("Content-Length") or 0)
        body = self.rfile.read(length) if length else b""
        if url.path.startswith("/files/"):
            try:
                with open("%s/%s" % (self.root, url.path[len("/files/"):]), "rb") as f:
                    self.reply(200, f.read())
            except OSError:
                self.reply(404, b"<html><body><h1>404 Not Found</h1></body></html>")
        elif url.path.startswith("/status/"):
            code = int(url.path[len("/status/"):])
            self.reply(code, b"<html><body><h1>%d</h1></body></html>" % code)
        elif url.path == "/redirect":
            self.reply(302, b"moved", [("Location", query["to"][0])])
        elif url.path == "/setcookie":
            padding = [("X-Padding", "p" * int(query["pad"][0]))] if "pad" in query else []
            cookies = [("Set-Cookie", "session=abc123; Path=/"), ("Set-Cookie", "lang=zh")]
            self.reply(200, b"cookies set", padding + cookies)
        elif url.path == "/echo":
            head = ("%s %s %s\r\n" % (self.command, self.path, self.request_version)).encode()
            lines = "".join("%s: %s\r\n" % item for item in self.headers.items()).encode("latin-1")
            self.reply(200, head + lines + b"\r\n" + body)
        elif url.path == "/big":
            self.reply(200, b"x" * int(query["bytes"][0]))
        elif url.path == "/stall":
            count = int(query["bytes"][0])
            self.send_response(200)
            self.send_header("Content-Length", str(2 * count))
            self.end_headers()
            self.wfile.write(b"y" * count)
            self.wfile.flush()
            time.sleep(3600)
        else:
            self.reply(404, b"no such test page")

    do_GET = handle_any
    do_POST = handle_any
    do_PUT = handle_any


def main():
    Handler.root = sys.argv[1]
    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    print("LISTENING %d" % server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    sys.exit(main())
