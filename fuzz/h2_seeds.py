#!/usr/bin/env python3
"""Writes the seeds of h2_frames_fuzzer into fuzz/corpus/h2_frames_fuzzer/.

Each seed is the first byte (streams: 1 + byte % 100; bit 7: the first
stream's sink raises in Data) and then a server's frames after its SETTINGS,
which the target puts in front itself. Run it again after changing a seed."""
import os
import struct

DATA, HEADERS, RST_STREAM, SETTINGS, PUSH_PROMISE, PING, GOAWAY, WINDOW_UPDATE, CONTINUATION = 0, 1, 3, 4, 5, 6, 7, 8, 9
END_STREAM, ACK, END_HEADERS = 0x1, 0x1, 0x4


def frame(kind, flags, stream, payload=b""):
    return struct.pack(">I", len(payload))[1:] + bytes([kind, flags]) + struct.pack(">I", stream) + payload


def hpack_string(text):
    # Lengths below 127 only: one byte, the Huffman flag off (RFC 7541 5.2).
    assert len(text) < 127
    return bytes([len(text)]) + text


def block(fields):
    # Literal fields without indexing, new names (RFC 7541 6.2.2).
    return b"".join(b"\x00" + hpack_string(name) + hpack_string(value) for name, value in fields)


def headers(stream, fields, end_stream=False):
    return frame(HEADERS, END_HEADERS | (END_STREAM if end_stream else 0), stream, block(fields))


def data(stream, payload, end_stream=False):
    return frame(DATA, END_STREAM if end_stream else 0, stream, payload)


ACK_OURS = frame(SETTINGS, ACK, 0)
OK = [(b":status", b"200"), (b"content-type", b"image/png")]

SEEDS = {
    "whole-answer": bytes([0]) + ACK_OURS + headers(1, OK + [(b"content-length", b"5")]) + data(1, b"hello", True),
    "goaway-midway": bytes([2]) + ACK_OURS + headers(1, OK) + data(1, b"part")
    + frame(GOAWAY, 0, 0, struct.pack(">II", 1, 0)) + data(1, b" rest", True),
    "rst-stream": bytes([1]) + ACK_OURS + headers(1, OK) + frame(RST_STREAM, 0, 1, struct.pack(">I", 8))
    + headers(3, OK) + data(3, b"second", True),
    "refused": bytes([1]) + ACK_OURS + frame(RST_STREAM, 0, 3, struct.pack(">I", 7)) + headers(1, OK, True),
    "window-overflow": bytes([0]) + ACK_OURS + frame(WINDOW_UPDATE, 0, 0, struct.pack(">I", 0x7FFFFFFF))
    + frame(WINDOW_UPDATE, 0, 0, struct.pack(">I", 0x7FFFFFFF)),
    "interim-trailers": bytes([0]) + ACK_OURS + headers(1, [(b":status", b"103"), (b"link", b"</a.css>")])
    + headers(1, OK) + data(1, b"body") + headers(1, [(b"x-trailer", b"1")], True),
    "continuation-ping": bytes([0]) + ACK_OURS + frame(PING, 0, 0, b"12345678")
    + frame(HEADERS, 0, 1, block([(b":status", b"200")])) + frame(CONTINUATION, END_HEADERS, 1, block([(b"a", b"b")]))
    + data(1, b"x", True),
    "push-promise": bytes([0]) + ACK_OURS + frame(PUSH_PROMISE, END_HEADERS, 1, struct.pack(">I", 2)),
    "sink-raises": bytes([0x80 | 3]) + ACK_OURS + headers(1, OK) + data(1, b"first") + headers(3, OK, True)
    + data(1, b"more", True),
}

if __name__ == "__main__":
    folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "h2_frames_fuzzer")
    os.makedirs(folder, exist_ok=True)
    for name, seed in SEEDS.items():
        with open(os.path.join(folder, name), "wb") as out:
            out.write(seed)
