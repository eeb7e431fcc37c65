"""SMTP server with implicit TLS for the mail tests, on 127.0.0.1 only.

Usage: smtps_server.py --cert C --key K --out DIR --users user:password[,user:password...]
                       [--refuse-rcpt ADDRESS] [--drop-after-data]

Writes DIR/port when it listens. Every connection appends a line to DIR/connections; every
received message becomes DIR/NNN.eml (the data as received, dot-stuffing undone) with
DIR/NNN.env beside it ("user", "from" and one "to" line per recipient), each written under a
temporary name first. Stops on SIGTERM.
"""

import argparse
import asyncio
import os
import signal
import socket
import ssl
import threading

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword


def write_atomic(path, data):
    tmp = path + ".part"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, path)


def append_line(path, text):
    with open(path, "a", encoding="utf-8") as f:
        f.write(text + "\n")


class Handler:
    def __init__(self, out, refuse_rcpt, drop_after_data):
        self.out = out
        self.refuse_rcpt = refuse_rcpt
        self.drop_after_data = drop_after_data
        self.count = 0

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        append_line(os.path.join(self.out, "rcpts"), address)
        if self.refuse_rcpt and address == self.refuse_rcpt:
            return "550 5.1.1 no such mailbox"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        base = os.path.join(self.out, "%03d" % self.count)
        login = session.auth_data if isinstance(session.auth_data, str) else ""
        env = ["user " + login, "from " + envelope.mail_from] + ["to " + r for r in envelope.rcpt_tos]
        write_atomic(base + ".eml", envelope.original_content)
        write_atomic(base + ".env", ("\n".join(env) + "\n").encode())
        if self.drop_after_data:
            # Accept the message, then break the connection before QUIT.
            asyncio.get_event_loop().call_later(0.05, server.transport.abort)
        return "250 2.0.0 queued"


class CountingSMTP(SMTP):
    out = None

    def connection_made(self, transport):
        append_line(os.path.join(self.out, "connections"), "connection")
        super().connection_made(transport)


class TlsController(Controller):
    def factory(self):
        return CountingSMTP(self.handler, **self.SMTP_kwargs)

    def _trigger_server(self):
        # The readiness probe of this aiosmtpd version wraps with the server's context; use a
        # client context that trusts anything, as only the listener's presence matters here.
        ctx = ssl.create_default_context()
        ctx.check_hostname = False
        ctx.verify_mode = ssl.CERT_NONE
        with socket.create_connection((self.hostname, self.port), 1.0) as raw:
            with ctx.wrap_socket(raw) as s:
                s.recv(1024)


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cert", required=True)
    parser.add_argument("--key", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("--users", required=True)
    parser.add_argument("--refuse-rcpt", default="")
    parser.add_argument("--drop-after-data", action="store_true")
    args = parser.parse_args()

    users = dict(item.split(":", 1) for item in args.users.split(",") if item)

    def authenticator(server, session, envelope, mechanism, auth_data):
        if not isinstance(auth_data, LoginPassword):
            return AuthResult(success=False, handled=False)
        ok = users.get(auth_data.login.decode()) == auth_data.password.decode()
        if not ok:
            return AuthResult(success=False, handled=False)
        return AuthResult(success=True, auth_data=auth_data.login.decode())

    ctx = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    ctx.load_cert_chain(args.cert, args.key)
    CountingSMTP.out = args.out
    handler = Handler(args.out, args.refuse_rcpt, args.drop_after_data)
    controller = TlsController(handler, hostname="127.0.0.1", port=free_port(), ssl_context=ctx,
                               authenticator=authenticator, auth_require_tls=False, auth_required=True)
    controller.start()
    # The readiness probe was a connection too; count only the clients'.
    try:
        os.remove(os.path.join(args.out, "connections"))
    except FileNotFoundError:
        pass
    write_atomic(os.path.join(args.out, "port"), str(controller.port).encode())

    stop = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: stop.set())
    signal.signal(signal.SIGINT, lambda *_: stop.set())
    while not stop.wait(0.2):
        pass
    controller.stop()


if __name__ == "__main__":
    main()
