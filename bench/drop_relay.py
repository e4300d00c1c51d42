#!/usr/bin/env python3
"""A loopback relay between korvel and korvel-server that cuts every open connection at random
moments, so that the client must reconnect through it again and again.

  drop_relay.py LISTEN_PORT SERVER_PORT CUTS MIN_SECONDS MAX_SECONDS

Prints "cut N" each time it cuts; after CUTS cuts it goes on relaying, without cutting, so that
the last one can heal too, until it is stopped."""
import random
import select
import socket
import sys
import time


def main():
    listen_port, server_port, cuts = (int(a) for a in sys.argv[1:4])
    low, high = float(sys.argv[4]), float(sys.argv[5])
    listener = socket.socket()
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", listen_port))
    listener.listen(8)
    pairs = {}  # socket -> its partner
    done = 0
    next_cut = time.monotonic() + random.uniform(low, high)
    while True:
        ready, _, _ = select.select([listener, *pairs], [], [], 0.05)
        for s in ready:
            if s is listener:
                client, _ = listener.accept()
                server = socket.create_connection(("127.0.0.1", server_port))
                pairs[client], pairs[server] = server, client
                # Give the client time to get its table back before the next cut.
                next_cut = time.monotonic() + random.uniform(low, high)
                continue
            if s not in pairs:
                continue
            data = b""
            try:
                data = s.recv(65536)
            except OSError:
                pass
            partner = pairs[s]
            if data:
                try:
                    partner.sendall(data)
                    continue
                except OSError:
                    pass
            for x in (s, partner):
                pairs.pop(x, None)
                x.close()
        # Cut only while someone is connected: a cut with nobody there heals nothing.
        if done < cuts and time.monotonic() >= next_cut and pairs:
            for x in list(pairs):
                x.close()
            pairs.clear()
            done += 1
            print(f"cut {done}", flush=True)
            next_cut = time.monotonic() + random.uniform(low, high)


if __name__ == "__main__":
    main()
