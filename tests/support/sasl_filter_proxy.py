#!/usr/bin/python3
"""TLS in front of a plain POP3 or SMTP port of the test servers, offering fewer SASL mechanisms.

  sasl_filter_proxy.py pop3|smtp CERT KEY TARGET_PORT HIDDEN[,HIDDEN...]

Prints the port it listens on (127.0.0.1) and serves until killed. The server's capability lines
(POP3 "SASL ...", SMTP "250-AUTH ...") lose the hidden mechanisms, and the STLS / STARTTLS offers
go (the client talks TLS already). A client that asks for a hidden mechanism anyway is refused
by the proxy, as a server without it would.
"""
import re
import socket
import ssl
import sys
import threading

POP3 = sys.argv[1] == "pop3"
CERT, KEY, TARGET, HIDDEN = sys.argv[2], sys.argv[3], int(sys.argv[4]), sys.argv[5].upper().split(",")


def filter_line(line):
    m = re.match(rb"^(\d{3}[- ])?(AUTH|SASL)( .*)?\r\n$", line, re.I)
    if m:
        kept = [w for w in (m.group(3) or b"").split() if w.decode().upper() not in HIDDEN]
        return (m.group(1) or b"") + m.group(2) + b"".join(b" " + w for w in kept) + b"\r\n"
    if re.match(rb"^(\d{3}[- ])?(STLS|STARTTLS)\r\n$", line, re.I):
        return None
    return line


def server_to_client(up, down):
    group = []  # an SMTP multi-line reply, re-marked once complete
    for line in up.makefile("rb"):
        if re.match(rb"^\d{3}-", line):
            group.append(line)
            continue
        if re.match(rb"^\d{3} ", line) and group:
            lines = [l for l in (filter_line(x) for x in group + [line]) if l is not None]
            group = []
            lines = [l[:3] + b"-" + l[4:] for l in lines[:-1]] + [lines[-1][:3] + b" " + lines[-1][4:]]
            down.sendall(b"".join(lines))
            continue
        out = filter_line(line)
        if out is not None:
            down.sendall(out)
    down.close()


def serve(client):
    up = socket.create_connection(("127.0.0.1", TARGET))
    threading.Thread(target=server_to_client, args=(up, client), daemon=True).start()
    for line in client.makefile("rb"):
        m = re.match(rb"^AUTH (\S+)", line, re.I)
        if m and m.group(1).decode().upper() in HIDDEN:
            client.sendall(b"-ERR [AUTH] Unsupported authentication mechanism.\r\n" if POP3
                           else b"504 5.5.4 Unsupported authentication mechanism\r\n")
            continue
        up.sendall(line)
    up.close()


context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.load_cert_chain(CERT, KEY)
listener = socket.socket()
listener.bind(("127.0.0.1", 0))
listener.listen(8)
print(listener.getsockname()[1], flush=True)
while True:
    raw, _ = listener.accept()
    try:
        conn = context.wrap_socket(raw, server_side=True)
    except (ssl.SSLError, OSError):
        raw.close()
        continue
    threading.Thread(target=serve, args=(conn,), daemon=True).start()
