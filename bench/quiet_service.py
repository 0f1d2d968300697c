#!/usr/bin/env python3
"""A stand-in for the service that can stop answering: it serves the demo site (bytes as
stored, keep-alive) until it is told to go quiet, from then on it accepts connections and reads
requests but never answers them, as a service does that hangs behind its listening socket.

    quiet_service.py --root demo/site [--quiet] [--delay MS] [--log FILE]

Prints "listening http://127.0.0.1:PORT/" once it accepts connections. SIGUSR1 makes it quiet,
--quiet makes it quiet from the start; --delay MS answers every request that late (a slow
service that still answers). Every request is logged, one line each:
"<CLOCK_MONOTONIC seconds> <answered|held> <target>".
"""
import argparse
import os
import signal
import socket
import sys
import threading
import time

TYPES = {".html": "text/html", ".css": "text/css", ".js": "text/javascript",
         ".png": "image/png", ".jpg": "image/jpeg", ".svg": "image/svg+xml",
         ".ico": "image/x-icon", ".webm": "video/webm", ".mp4": "video/mp4"}

quiet = threading.Event()
log_lock = threading.Lock()


def log(sink, what, target):
    if sink is None:
        return
    with log_lock:
        sink.write(f"{time.monotonic():.6f} {what} {target}\n")
        sink.flush()


def page(root, target):
    path = target.split("?", 1)[0]
    if path == "/":
        path = "/index.html"
    full = os.path.realpath(os.path.join(root, path.lstrip("/")))
    if not full.startswith(root + os.sep) or not os.path.isfile(full):
        return None, None
    with open(full, "rb") as f:
        return f.read(), TYPES.get(os.path.splitext(full)[1], "application/octet-stream")


def serve(conn, root, sink, delay):
    buffer = b""
    try:
        while True:
            while b"\r\n\r\n" not in buffer:
                data = conn.recv(65536)
                if not data:
                    return
                buffer += data
            head, buffer = buffer.split(b"\r\n\r\n", 1)
            parts = head.split(b"\r\n", 1)[0].decode("latin-1").split()
            target = parts[1] if len(parts) > 1 else "/"
            if quiet.is_set():
                log(sink, "held", target)
                # Holds the connection open and never answers; the client gives up by itself.
                while conn.recv(65536):
                    pass
                return
            if delay:
                time.sleep(delay / 1000)
            log(sink, "answered", target)
            body, kind = page(root, target)
            if target.startswith("/event"):
                status, body, kind = "204 No Content", b"", None
            elif body is None:
                status, body, kind = "404 Not Found", b"not found", "text/plain"
            else:
                status = "200 OK"
            headers = [f"HTTP/1.1 {status}", f"Content-Length: {len(body)}",
                       "Cache-Control: no-cache", "Connection: keep-alive"]
            if kind:
                headers.append(f"Content-Type: {kind}")
            conn.sendall(("\r\n".join(headers) + "\r\n\r\n").encode() + body)
    except OSError:
        pass
    finally:
        conn.close()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--quiet", action="store_true")
    parser.add_argument("--delay", type=int, default=0)
    parser.add_argument("--log")
    args = parser.parse_args()
    root = os.path.realpath(args.root)
    sink = open(args.log, "a") if args.log else None
    if args.quiet:
        quiet.set()
    signal.signal(signal.SIGUSR1, lambda *_: quiet.set())

    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", 0))
    listener.listen(64)
    print(f"listening http://127.0.0.1:{listener.getsockname()[1]}/", flush=True)
    while True:
        conn, _ = listener.accept()
        conn.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        threading.Thread(target=serve, args=(conn, root, sink, args.delay), daemon=True).start()


if __name__ == "__main__":
    try:
        main()
    except KeyboardInterrupt:
        sys.exit(0)
