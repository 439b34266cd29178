#!/usr/bin/env python3
"""Network services that misbehave, on 127.0.0.1, for tests and benchmarks run in a
network namespace of their own (tools/hostile-network.sh starts them):

  port 53, UDP and TCP   a name server that reads every query and never replies
                         (on 127.0.0.1 and on 127.0.0.2, for a second one)
  port 7701              a host that accepts TCP connections and never sends a byte
  port 7702              an HTTP server that answers at once with its head
                         (Content-Length: 100000) and then trickles the body, one
                         byte a second

Writes the file named by its one argument once every socket listens, then serves
until it is killed."""

import socket
import sys
import threading
import time

SILENT_PORT = 7701
TRICKLE_PORT = 7702


def listen_tcp(port, address="127.0.0.1"):
    s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    s.bind((address, port))
    s.listen(64)
    return s


def serve(listener, handler):
    def accept_loop():
        while True:
            connection, _ = listener.accept()
            threading.Thread(target=handler, args=(connection,), daemon=True).start()
    threading.Thread(target=accept_loop, daemon=True).start()


def swallow(connection):
    # Reads whatever comes and never answers; the peer decides when it is over.
    with connection:
        while connection.recv(4096):
            pass


def trickle(connection):
    with connection:
        head = b""
        while b"\r\n\r\n" not in head:
            data = connection.recv(4096)
            if not data:
                return
            head += data
        try:
            connection.sendall(b"HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n"
                               b"Content-Length: 100000\r\nConnection: close\r\n\r\n")
            for i in range(100000):
                connection.sendall(bytes([i & 0xFF]))
                time.sleep(1)
        except OSError:
            pass


def silent_name_server(address):
    udp = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    udp.bind((address, 53))
    serve(listen_tcp(53, address), swallow)

    def read_forever():
        while True:
            udp.recvfrom(4096)
    threading.Thread(target=read_forever, daemon=True).start()


def main():
    silent_name_server("127.0.0.1")
    silent_name_server("127.0.0.2")
    serve(listen_tcp(SILENT_PORT), swallow)
    serve(listen_tcp(TRICKLE_PORT), trickle)

    with open(sys.argv[1], "w") as ready:
        ready.write("ready\n")

    while True:
        time.sleep(3600)


if __name__ == "__main__":
    main()
