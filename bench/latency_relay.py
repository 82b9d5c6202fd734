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

A chunk's arrival time is taken in the protocol's data_received, as soon as
the event loop has read it, and its release is a timer of the loop at that
time plus the delay; the relay reads no more from a side while 8 MiB from
it wait, or while the other side does not take what is written to it.

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
import struct
import sys

EOF = b""             # the end-of-stream marker in a direction's queue
RESET = None          # a reset seen on the reading side
HOLD_BYTES = 8 << 20  # stop reading a side while this much of it waits


def reset(transport):
    """Closes with a reset (RST), as the other side did."""
    sock = transport.get_extra_info("socket")
    if sock is not None:
        sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
    transport.abort()


class Direction:
    """One direction of a relayed connection: chunks held until due, in order."""

    def __init__(self, loop, delay, first_extra, on_end):
        self.loop = loop
        self.delay = delay
        self.extra = first_extra  # added to the first item only
        self.on_end = on_end
        self.queue = collections.deque()  # (release time, data or marker)
        self.timer = None
        self.source = None    # the transport read from, once there
        self.sink = None      # the transport written to, once connected
        self.sink_full = False
        self.reading_paused = False
        self.held = 0
        self.got_end = False  # an end of stream or a reset was queued
        self.ended = False    # ... and passed on
        self.chunks = 0
        self.late = []        # seconds each release came after its due time
        self.last_due = None

    def push(self, item):
        if self.got_end:
            return
        # Due at arrival + delay, but never before the chunk ahead of it
        # (which may have had the first chunk's extra round trip).
        when = self.loop.time() + self.delay + self.extra
        if self.queue:
            when = max(when, self.queue[-1][0])
        elif self.last_due is not None:
            when = max(when, self.last_due)
        self.last_due = when
        self.queue.append((when, item))
        self.extra = 0.0
        if item:
            self.held += len(item)
        else:
            self.got_end = True
        self.flow()
        self.schedule()

    def connect(self, sink):
        self.sink = sink
        self.schedule()

    def schedule(self):
        if self.timer is None and self.queue and self.sink is not None and not self.ended:
            self.timer = self.loop.call_at(self.queue[0][0], self.release)

    def release(self):
        self.timer = None
        now = self.loop.time()
        while self.queue and self.queue[0][0] <= now:
            when, item = self.queue.popleft()
            self.late.append(now - when)
            if item is RESET or not item:
                if item is RESET:
                    reset(self.sink)
                elif self.sink.can_write_eof() and not self.sink.is_closing():
                    self.sink.write_eof()
                self.ended = True
                self.queue.clear()
                self.on_end()
                return
            self.held -= len(item)
            self.chunks += 1
            if not self.sink.is_closing():
                self.sink.write(item)
        self.flow()
        self.schedule()

    def flow(self):
        if self.source is None or self.source.is_closing():
            return
        pause = self.held >= HOLD_BYTES or self.sink_full
        if pause and not self.reading_paused:
            self.source.pause_reading()
        elif not pause and self.reading_paused:
            self.source.resume_reading()
        self.reading_paused = pause


class Side(asyncio.Protocol):
    """One socket of a relayed connection: what it reads feeds `out`, and
    it is the sink of `into`."""

    def __init__(self, out, into, on_made=None):
        self.out = out
        self.into = into
        self.on_made = on_made

    def connection_made(self, transport):
        self.out.source = transport
        if self.on_made:
            self.on_made(transport)

    def data_received(self, data):
        self.out.push(data)

    def eof_received(self):
        self.out.push(EOF)
        return True  # keep the other half open: a half-close is passed on

    def connection_lost(self, exc):
        self.out.push(RESET if exc is not None else EOF)

    def pause_writing(self):
        self.into.sink_full = True
        self.into.flow()

    def resume_writing(self):
        self.into.sink_full = False
        self.into.flow()


class Connection:
    def __init__(self, loop, number, target, rtt):
        self.loop = loop
        self.number = number
        self.target = target
        self.up = Direction(loop, rtt / 2, rtt, self.direction_ended)      # client -> server
        self.down = Direction(loop, rtt / 2, 0.0, self.direction_ended)    # server -> client
        self.client = None
        self.server = None
        self.reported = False

    def client_protocol(self):
        return Side(self.up, self.down, self.accepted)

    def accepted(self, transport):
        self.client = transport
        self.down.connect(transport)
        print("connection %d" % self.number, flush=True)
        self.loop.create_task(self.dial())

    async def dial(self):
        try:
            self.server, _ = await self.loop.create_connection(
                lambda: Side(self.down, self.up), "127.0.0.1", self.target)
        except OSError:
            self.client.abort()
            self.report()
            return
        self.up.connect(self.server)

    def direction_ended(self):
        if self.up.ended and self.down.ended:
            for transport in (self.client, self.server):
                if transport is not None:
                    transport.close()
            self.report()

    def report(self):
        if self.reported:
            return
        self.reported = True
        late = self.up.late + self.down.late
        print("closed %d chunks=%d/%d late_mean_ms=%.2f late_max_ms=%.2f" % (
            self.number, self.up.chunks, self.down.chunks,
            1000 * sum(late) / max(1, len(late)), 1000 * max(late, default=0.0)), flush=True)


async def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--listen", type=int, required=True, help="port on 127.0.0.1 to listen on")
    parser.add_argument("--target", type=int, required=True, help="port on 127.0.0.1 to forward to")
    parser.add_argument("--rtt", type=float, default=20.0, help="round trip time in milliseconds")
    args = parser.parse_args()
    loop = asyncio.get_running_loop()
    count = 0

    def accept():
        nonlocal count
        count += 1
        return Connection(loop, count, args.target, args.rtt / 1000.0).client_protocol()

    server = await loop.create_server(accept, "127.0.0.1", args.listen, backlog=1024, reuse_address=True)
    print("ready port=%d rtt_ms=%g" % (args.listen, args.rtt), flush=True)
    async with server:
        await server.serve_forever()


if __name__ == "__main__":
    try:
        asyncio.run(main())
    except KeyboardInterrupt:
        sys.exit(0)
