"""An FTP server that answers from a script, for replies a real server will not give.
Usage: scripted_ftp_server.py SCRIPT.json TRANSCRIPT. Prints its port first.

The script maps a command word (USER, PASS, TYPE, CWD, PORT, EPRT, STOR, ...) to its
reply; "greeting" is the first reply (null: say nothing at all); "after_stor" lists
the replies after the data of a STOR; "foreign_first" makes the server open the data
connection once from 127.0.0.2 (sending "foreign" over it) before the real one.
Every command received is appended to TRANSCRIPT as one line, and the data of the
n-th STOR to TRANSCRIPT.data<n>."""
import json
import socket
import sys

script = json.load(open(sys.argv[1]))
transcript_path = sys.argv[2]
listener = socket.socket()
listener.bind(("127.0.0.1", 0))
listener.listen(1)
print(listener.getsockname()[1], flush=True)


def note(line):
    with open(transcript_path, "ab") as transcript:
        transcript.write(line + b"\n")


control, _ = listener.accept()
reader = control.makefile("rb")


def reply(text):
    control.sendall(text.encode() + b"\r\n")


if script.get("greeting") is None:
    reader.read()  # silence until the client gives up
    sys.exit(0)
reply(script["greeting"])
data_address = None
stores = 0
for raw in reader:
    note(raw.rstrip(b"\r\n"))
    line = raw.decode().rstrip("\r\n")
    word = line.split(" ", 1)[0].upper()
    if word == "PORT":
        parts = [int(p) for p in line.split(" ", 1)[1].split(",")]
        data_address = (".".join(map(str, parts[:4])), parts[4] * 256 + parts[5])
    if word == "QUIT":
        break
    if word not in script:
        reply("502 not scripted")
        continue
    reply(script[word])
    if word == "STOR" and script[word].startswith("1"):
        stores += 1
        if script.get("foreign_first"):
            foreign = socket.socket()
            foreign.bind(("127.0.0.2", 0))
            foreign.connect(data_address)
            try:
                foreign.sendall(b"foreign")
                foreign.settimeout(5)
                note(b"foreign got " + repr(foreign.recv(100)).encode())
            except OSError as error:
                note(b"foreign got " + str(type(error).__name__).encode())
            foreign.close()
        data = socket.create_connection(data_address)
        received = b""
        while chunk := data.recv(65536):
            received += chunk
        data.close()
        with open("%s.data%d" % (transcript_path, stores), "wb") as stored:
            stored.write(received)
        for after in script.get("after_stor", ["226 done"]):
            reply(after)
control.close()
