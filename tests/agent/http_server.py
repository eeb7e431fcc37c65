#!/usr/bin/python3
"""Loopback HTTP server for the check agent's tests.

    http_server.py DOCROOT LOGFILE

Binds a free port of 127.0.0.1, prints it on one line, and serves DOCROOT. Every request is
appended to LOGFILE as "METHOD /path" before it is answered, and to LOGFILE.headers as the same
line followed by its headers, one "name: value" a line with the name in lower case, and a blank
line. A file NAME is served as it is, unless DOCROOT/NAME.how names another behaviour (one line):

    status N        answer status N with a small error page
    redirect URL    answer 302 with Location URL
    truncate        announce more bytes than are sent, then close
    chunked         send the body whole, in chunks of 1000 bytes, with no length announced
    chunk-cut       send a chunked body without its last chunk, then close
    reset           send the headers and half the body, then reset the connection
    stall           send the headers and half the body, then send nothing more
    stall-head      accept the request and send nothing at all
    no-head         answer HEAD with 405 (GET as usual)
    head-status N   answer HEAD with status N (GET as usual)
    head-close      close the connection on HEAD without an answer (GET as usual)

A missing file is answered with 404 and an error page.
"""

import http.server
import os
import socket
import struct
import sys
import threading
import time
import urllib.parse

DOCROOT = sys.argv[1]
LOGFILE = sys.argv[2]
LOG_LOCK = threading.Lock()


def log_request(method, path, headers):
    with LOG_LOCK:
        with open(LOGFILE, "a", encoding="utf-8") as log:
            log.write(f"{method} {path}\n")
        with open(LOGFILE + ".headers", "a", encoding="utf-8") as log:
            log.write(f"{method} {path}\n")
            for name, value in headers.items():
                log.write(f"{name.lower()}: {value}\n")
            log.write("\n")


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    disable_nagle_algorithm = True

    def log_message(self, format, *args):
        pass

    def do_GET(self):
        self.answer(head=False)

    def do_HEAD(self):
        self.answer(head=True)

    def error_page(self, status, head):
        body = f"<html><body>Error {status}</body></html>".encode()
        self.send_response(status)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if not head:
            self.wfile.write(body)

    def answer(self, head):
        log_request(self.command, self.path, self.headers)
        name = urllib.parse.unquote(self.path.split("?", 1)[0].lstrip("/"))
        local = os.path.join(DOCROOT, name)
        how = ""
        if os.path.isfile(local + ".how"):
            with open(local + ".how", encoding="utf-8") as f:
                how = f.read().strip()
        word, _, rest = how.partition(" ")
        if word == "status":
            return self.error_page(int(rest), head)
        if word == "redirect":
            self.send_response(302)
            self.send_header("Location", rest)
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        if word == "stall-head":
            time.sleep(60)
            return
        if word == "no-head" and head:
            return self.error_page(405, head)
        if word == "head-status" and head:
            return self.error_page(int(rest), head)
        if word == "head-close" and head:
            self.close_connection = True
            return
        if not os.path.isfile(local):
            return self.error_page(404, head)
        with open(local, "rb") as f:
            body = f.read()
        self.send_response(200)
        self.send_header("Content-Type", "text/plain")
        if word == "chunked":
            self.send_header("Transfer-Encoding", "chunked")
            self.end_headers()
            if not head:
                for start in range(0, len(body), 1000):
                    part = body[start : start + 1000]
                    self.wfile.write(b"%x\r\n" % len(part) + part + b"\r\n")
                self.wfile.write(b"0\r\n\r\n")
            return
        if word == "chunk-cut":
            self.send_header("Transfer-Encoding", "chunked")
            self.end_headers()
            if not head:
                half = body[: len(body) // 2]
                self.wfile.write(b"%x\r\n" % len(half) + half + b"\r\n")
                self.wfile.flush()
            self.close_connection = True
            return
        announced = len(body) + 100 if word == "truncate" else len(body)
        self.send_header("Content-Length", str(announced))
        self.end_headers()
        if head:
            return
        if word in ("reset", "stall"):
            self.wfile.write(body[: len(body) // 2])
            self.wfile.flush()
            if word == "stall":
                time.sleep(60)
            else:
                self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            self.close_connection = True
            return
        self.wfile.write(body)
        if word == "truncate":
            self.wfile.flush()
            self.close_connection = True


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    server = Server(("127.0.0.1", 0), Handler)
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
