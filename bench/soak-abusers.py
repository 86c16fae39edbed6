#!/usr/bin/env python3
"""The unfair hosts of bench/soak.sh, until a given time: one host (127.0.2.1) that opens
1,100 connections and keeps them alive with a PING a minute, one (127.0.3.1) that sends
broken bytes every second, and a flood from 32 addresses (127.0.4.1-32) with two
connections each that keep four scans each in flight all the time (with --flood). Prints
what each got."""
import argparse
import os
import random
import selectors
import socket
import threading
import time

FLOOD_ADDRESSES = 32
FLOOD_CONNECTIONS = 2
FLOOD_IN_FLIGHT = 4


def flood(port, until, codes, report):
    """Keeps FLOOD_IN_FLIGHT scans in flight on every flood connection until the time is up."""
    selector = selectors.DefaultSelector()
    peers = []
    for address in range(1, FLOOD_ADDRESSES + 1):
        for _ in range(FLOOD_CONNECTIONS):
            try:
                peer = connect(f"127.0.4.{address}", port)
                first_line(peer)
                peer.setblocking(False)
                selector.register(peer, selectors.EVENT_READ, {"buffer": b"", "in_flight": 0})
                peers.append(peer)
            except OSError:
                report["failed"] += 1
    sent = 0
    while time.time() < until and peers:
        for key in selector.get_map().values():
            state = key.data
            while state["in_flight"] < FLOOD_IN_FLIGHT:
                try:
                    key.fileobj.send(b"SCAN\t" + codes[sent % len(codes)] + b"\n")
                except OSError:
                    break
                state["in_flight"] += 1
                sent += 1
        for key, _ in selector.select(timeout=0.1):
            state = key.data
            try:
                chunk = key.fileobj.recv(65536)
            except BlockingIOError:
                continue
            except OSError:
                chunk = b""
            if not chunk:
                selector.unregister(key.fileobj)
                peers.remove(key.fileobj)
                report["closed"] += 1
                continue
            state["buffer"] += chunk
            *lines, state["buffer"] = state["buffer"].split(b"\n")
            for line in lines:
                kind = line.split(b"\t", 1)[0].decode("latin-1")
                report[kind] = report.get(kind, 0) + 1
                if kind in ("PRICE", "NOTFOUND", "BUSY", "RETRY"):
                    state["in_flight"] -= 1
    report["sent"] = sent


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
    options.add_argument("--flood", help="a file of codes: the flood from 32 addresses scans them")
    args = options.parse_args()

    flooding = None
    flood_report = {"failed": 0, "closed": 0}
    if args.flood:
        with open(args.flood, "rb") as codes_file:
            codes = [line.strip() for line in codes_file if line.strip()]
        flooding = threading.Thread(target=flood, args=(args.port, args.until, codes, flood_report))
        flooding.start()

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
    if flooding:
        flooding.join()
        print("flood: " + " ".join(f"{k}={v}" for k, v in sorted(flood_report.items())), flush=True)


if __name__ == "__main__":
    main()
