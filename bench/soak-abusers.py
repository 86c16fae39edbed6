#!/usr/bin/env python3
"""The unfair hosts of bench/soak.sh, until a given time: one host (127.0.2.1) that opens
1,100 connections and keeps them alive with a PING a minute, and one (127.0.3.1) that sends
broken bytes every second. Prints what each got."""
import argparse
import os
import random
import selectors
import socket
import time


def connect(source, port):
    peer = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    peer.bind((source, 0))
    peer.settimeout(5)
    peer.connect(("127.0.0.1", port))
    return peer


def first_line(peer):
    data = b""
    while b"\n" not in data:
        chunk = peer.recv(256)
        if not chunk:
            break
        data += chunk
    return data.split(b"\n", 1)[0].decode("latin-1")


def main():
    options = argparse.ArgumentParser()
    options.add_argument("--port", type=int, required=True)
    options.add_argument("--until", type=float, required=True)
    args = options.parse_args()

    held, greeted, refused, failed = [], 0, 0, 0
    for _ in range(1100):
        try:
            peer = connect("127.0.2.1", args.port)
            line = first_line(peer)
            if line.startswith("HELLO"):
                greeted += 1
                peer.setblocking(False)
                held.append(peer)
            else:
                refused += 1
                peer.close()
        except OSError:
            failed += 1
    print(f"holder: greeted={greeted} refused={refused} failed={failed}", flush=True)

    random.seed(7)
    garbage_sent = garbage_answered = 0
    last_ping = time.time()
    while time.time() < args.until:
        try:
            peer = connect("127.0.3.1", args.port)
            first_line(peer)
            peer.sendall(bytes(random.randrange(256) for _ in range(random.randrange(1, 300))) + b"\n")
            garbage_sent += 1
            if first_line(peer):
                garbage_answered += 1
            peer.close()
        except OSError:
            pass
        if time.time() - last_ping >= 60:
            last_ping = time.time()
            alive = []
            for peer in held:
                try:
                    peer.send(b"PING\n")
                    try:
                        peer.recv(4096)  # drain the PONGs
                    except BlockingIOError:
                        pass
                    alive.append(peer)
                except OSError:
                    peer.close()
            held = alive
        time.sleep(1)
    print(f"holder: still held={len(held)}; garbage: sent={garbage_sent} "
          f"answered={garbage_answered}", flush=True)


if __name__ == "__main__":
    main()
