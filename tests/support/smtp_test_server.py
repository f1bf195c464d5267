#!/usr/bin/python3
"""A local SMTP server for tests: aiosmtpd on 127.0.0.1, optionally with AUTH and TLS.

Each accepted message is written to OUT/message-N.eml (the bytes after DATA, dots
unstuffed) with OUT/message-N.json (envelope sender, recipients, the AUTH mechanism and
user, whether TLS was on). Prints "READY <port>" once it listens and runs until its
standard input closes.
"""
import argparse
import json
import logging
import os
import socket
import ssl
import sys
import warnings

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult, LoginPassword


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


class Handler:
    def __init__(self, out):
        self.out = out
        self.count = 0

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        base = os.path.join(self.out, "message-%d" % self.count)
        with open(base + ".eml", "wb") as eml:
            eml.write(envelope.original_content)
        login = session.auth_data.login.decode() if isinstance(session.auth_data, LoginPassword) else ""
        with open(base + ".json", "w") as info:
            json.dump({"mailFrom": envelope.mail_from, "recipients": envelope.rcpt_tos,
                       "mechanism": getattr(session, "mechanism", ""), "login": login,
                       "tls": server.transport.get_extra_info("ssl_object") is not None}, info)
        return "250 OK"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--out", required=True)
    parser.add_argument("--user")
    parser.add_argument("--password")
    parser.add_argument("--no-login", action="store_true", help="offer AUTH PLAIN but not LOGIN")
    parser.add_argument("--tls", choices=["none", "starttls", "implicit"], default="none")
    parser.add_argument("--certificate")
    parser.add_argument("--key")
    args = parser.parse_args()
    # The library warns about AUTH without TLS and logs refused handshakes, both wanted here.
    logging.disable(logging.CRITICAL)
    warnings.simplefilter("ignore")

    def authenticator(server, session, envelope, mechanism, auth_data):
        session.mechanism = mechanism
        ok = (isinstance(auth_data, LoginPassword) and auth_data.login.decode() == args.user
              and auth_data.password.decode() == args.password)
        return AuthResult(success=ok, handled=False, auth_data=auth_data)

    options = {}
    if args.user is not None:
        options.update(authenticator=authenticator, auth_required=True,
                       auth_require_tls=args.tls == "starttls")
    if args.no_login:
        options["auth_exclude_mechanism"] = ["LOGIN"]
    context = None
    if args.tls != "none":
        context = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        context.load_cert_chain(args.certificate, args.key)
    if args.tls == "starttls":
        options.update(tls_context=context, require_starttls=True)

    port = free_port()
    controller = Controller(Handler(args.out), hostname="127.0.0.1", port=port,
                            ssl_context=context if args.tls == "implicit" else None,
                            server_hostname="127.0.0.1", **options)
    controller.start()
    print("READY %d" % port, flush=True)
    sys.stdin.read()
    controller.stop()


if __name__ == "__main__":
    main()
