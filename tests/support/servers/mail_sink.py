"""A real SMTP server for the tests (aiosmtpd, no TLS) that keeps what it receives.
Usage: mail_sink.py OUTDIR [USER PASSWORD] [--tls CERT KEY]. With a user, AUTH is
required; with --tls, STARTTLS is offered and required before anything else.
Prints its port first. The n-th message is parsed with Python's email package and
written to OUTDIR/message<n>.json: envelope, header fields, the text part and each
attachment (file name and base64 of its bytes)."""
import asyncio
import base64
import email
import email.policy
import json
import socket
import ssl
import sys
import threading

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult

arguments = sys.argv[1:]
tls = None
if "--tls" in arguments:
    at = arguments.index("--tls")
    tls = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
    tls.load_cert_chain(arguments[at + 1], arguments[at + 2])
    del arguments[at:at + 3]
outdir = arguments[0]
credentials = tuple(arguments[1:3]) if len(arguments) >= 3 else None
count = 0
lock = threading.Lock()


class Sink:
    async def handle_DATA(self, server, session, envelope):
        global count
        message = email.message_from_bytes(envelope.original_content, policy=email.policy.default)
        text = None
        attachments = []
        for part in message.walk():
            if part.is_multipart():
                continue
            if part.get_filename():
                attachments.append({"filename": part.get_filename(),
                                    "content": base64.b64encode(part.get_payload(decode=True)).decode()})
            elif text is None:
                text = part.get_payload(decode=True).decode(part.get_content_charset() or "ascii")
        summary = {"mail_from": envelope.mail_from, "rcpt_tos": envelope.rcpt_tos,
                   "login": session.auth_data if session.authenticated else None,
                   "from": message["From"], "to": message["To"], "subject": message["Subject"],
                   "priority": message["X-Priority"], "text": text, "attachments": attachments}
        with lock:
            count += 1
            with open("%s/message%d.json" % (outdir, count), "w") as out:
                json.dump(summary, out)
        return "250 OK"


def authenticator(server, session, envelope, mechanism, auth_data):
    ok = credentials is not None and (auth_data.login.decode(), auth_data.password.decode()) == credentials
    return AuthResult(success=ok, auth_data=auth_data.login.decode() if ok else None)


probe = socket.socket()
probe.bind(("127.0.0.1", 0))
port = probe.getsockname()[1]
probe.close()
options = {"auth_require_tls": tls is not None, "auth_required": credentials is not None,
           "authenticator": authenticator}
if tls:
    options.update(tls_context=tls, require_starttls=True)
controller = Controller(Sink(), hostname="127.0.0.1", port=port, **options)
controller.start()
print(port, flush=True)
threading.Event().wait()
