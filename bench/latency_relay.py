#!/usr/bin/env python3
"""A TCP relay on 127.0.0.1 that makes loopback look like a far server.

    latency_relay.py --listen PORT --target PORT --rtt MS

Every accepted connection is forwarded to 127.0.0.1:<target>. Each chunk
read from one side is written to the other half a round trip (RTT/2) after
it arrived; the first chunk from the client (its first request) waits one
more round trip, the cost of the TCP handshake that a real network has and
loopback hides. Chunks keep their order in each direction, and each one is
released at its own arrival time plus the delay, not after the previous
one's delay, so the relay adds latency without throttling throughput. An
end of stream (half-close) is passed on after the same delay, a reset as a
reset; the connection is closed once both directions have ended.

On standard output: "ready port=P rtt_ms=R" once listening, then one line
"connection N" per accepted connection (flushed at once), so that a caller
can count the connections a client opened, and when it ends "closed N
chunks=UP/DOWN late_mean_ms=M late_max_ms=X": the chunks written each way
and how long after its due time each release came, on average and at
worst (the relay's own error, from scheduling on a busy machine).
"""

import argparse
import asyncio
import collections
import socket
import sys

EOF = b""          # the end-of-stream marker in a direction's queue
RESET = None       # a reset seen on the reading side
HOLD_BYTES = 8 << 20  # stop reading a side while this much waits to be written


class Direction:
    """One direction of a relayed connection: read, hold, write in order."""

    def __init__(self, loop, reader, writer, delay, first_extra):
        self.loop = loop
        self.reader = reader
        self.writer = writer
        self.delay = delay
        self.first_extra = first_extra  # added to the first chunk only
        self.queue = collections.deque()  # (release time, data or marker)
        self.waiting = asyncio.Event()    # set when the queue gets an item
        self.room = asyncio.Event()       # set while the held bytes are under HOLD_BYTES
        self.room.set()
        self.held = 0
        self.chunks = 0
        self.late = []   # seconds each release came after its due time

    def push(self, when, item):
        self.queue.append((when, item))
        if item:
            self.held += len(item)
            if self.held >= HOLD_BYTES:
                self.room.clear()
        self.waiting.set()

    async def read(self):
        extra = self.first_extra
        while True:
            await self.room.wait()
            try:
                data = await self.reader.read(256 * 1024)
            except (ConnectionError, OSError):
                self.push(self.loop.time() + self.delay, RESET)
                return
            self.push(self.loop.time() + self.delay + extra, data)
            extra = 0.0
            if not data:
                return

    async def write(self):
        while True:
            if not self.queue:
                self.waiting.clear()
                await self.waiting.wait()
                continue
            when, item = self.queue[0]
            pause = when - self.loop.time()
            if pause > 0:
                await asyncio.sleep(pause)
            self.late.append(max(0.0, self.loop.time() - when))
            self.queue.popleft()
            if item is RESET:
                self.writer.transport.abort()
                return
            if not item:
                if self.writer.can_write_eof() and not self.writer.is_closing():
                    self.writer.write_eof()
                return
            self.chunks += 1
            self.held -= len(item)
            if self.held < HOLD_BYTES:
                self.room.set()
            try:
                self.writer.write(item)
                await self.writer.drain()
            except (ConnectionError, OSError):
                return


def no_delay(writer):
    sock = writer.get_extra_info("socket")
    if sock is not None:
        sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)


async def relay(client_reader, client_writer, target, rtt, counter):
    counter[0] += 1
    number = counter[0]
    print("connection %d" % number, flush=True)
    loop = asyncio.get_running_loop()
    half = rtt / 2
    try:
        server_reader, server_writer = await asyncio.open_connection("127.0.0.1", target)
    except OSError:
        client_writer.transport.abort()
        return
    no_delay(client_writer)
    no_delay(server_writer)
    up = Direction(loop, client_reader, server_writer, half, rtt)
    down = Direction(loop, server_reader, client_writer, half, 0.0)
    tasks = [asyncio.create_task(t) for t in (up.read(), up.write(), down.read(), down.write())]
    try:
        # Both writers end at an end of stream or a reset; then no more
        # data can flow either way.
        await asyncio.gather(tasks[1], tasks[3])
    finally:
        for task in tasks:
            task.cancel()
        for writer in (client_writer, server_writer):
            writer.close()
        late = up.late + down.late
        print("closed %d chunks=%d/%d late_mean_ms=%.2f late_max_ms=%.2f" % (
            number, up.chunks, down.chunks,
            1000 * sum(late) / max(1, len(late)), 1000 * max(late, default=0.0)), flush=True)


async def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--listen", type=int, required=True, help="port on 127.0.0.1 to listen on")
    parser.add_argument("--target", type=int, required=True, help="port on 127.0.0.1 to forward to")
    parser.add_argument("--rtt", type=float, default=20.0, help="round trip time in milliseconds")
    args = parser.parse_args()
    rtt = args.rtt / 1000.0
    counter = [0]
    server = await asyncio.start_server(
        lambda r, w: relay(r, w, args.target, rtt, counter),
        "127.0.0.1", args.listen, backlog=1024, reuse_address=True)
    print("ready port=%d rtt_ms=%g" % (args.listen, args.rtt), flush=True)
    async with server:
        await server.serve_forever()


if __name__ == "__main__":
    try:
        asyncio.run(main())
    except KeyboardInterrupt:
        sys.exit(0)
