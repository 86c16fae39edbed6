#!/usr/bin/python3
"""Web console clients for the load benchmark: CLIENTS sessions that together make RATE
requests a second, alternating GET /api/status and /api/terminals, for SECONDS.

    console-pollers.py ADDRESS:PORT PASSWORD CLIENTS RATE SECONDS

Prints one line: requests made, failed, and the answer time's p50 / p99 in milliseconds.
"""
import http.client
import sys
import threading
import time
import urllib.parse


def client(endpoint, password, interval, until, times, failures):
    host, port = endpoint.rsplit(":", 1)
    connection = http.client.HTTPConnection(host, int(port), timeout=10)
    connection.request("POST", "/login", urllib.parse.urlencode({"password": password}),
                       {"Content-Type": "application/x-www-form-urlencoded"})
    answer = connection.getresponse()
    answer.read()
    cookie = answer.getheader("Set-Cookie", "").split(";")[0]
    paths = ["/api/status", "/api/terminals"]
    turn = 0
    next_at = time.monotonic()
    while next_at < until:
        time.sleep(max(0.0, next_at - time.monotonic()))
        started = time.monotonic()
        try:
            connection.request("GET", paths[turn % 2], headers={"Cookie": cookie})
            answer = connection.getresponse()
            answer.read()
            if answer.status != 200:
                failures.append(answer.status)
            times.append((time.monotonic() - started) * 1000)
        except (OSError, http.client.HTTPException) as error:
            failures.append(str(error))
            connection = http.client.HTTPConnection(host, int(port), timeout=10)
        turn += 1
        next_at += interval


def main(endpoint, password, clients, rate, seconds):
    clients, rate, seconds = int(clients), float(rate), float(seconds)
    until = time.monotonic() + seconds
    times, failures = [], []
    threads = [threading.Thread(target=client, args=(endpoint, password, clients / rate, until,
                                                     times, failures))
               for _ in range(clients)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    times.sort()
    pick = lambda q: times[min(len(times) - 1, int(q * len(times)))] if times else 0
    print("console: requests=%d failed=%d rate=%.1f/s p50=%.2f p99=%.2f ms"
          % (len(times), len(failures), len(times) / seconds, pick(0.5), pick(0.99)))


if __name__ == "__main__":
    main(*sys.argv[1:])
