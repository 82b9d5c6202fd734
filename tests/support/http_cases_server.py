#!/usr/bin/env python3
"""A raw HTTP/1.1 server on 127.0.0.1 for trying the client from outside.

Each case is a folder: /CASE/index.html is a page linking a.jpg and b.jpg;
how both files (and for some cases the page) are answered depends on
CASE (see file_answer and page_answer); a file named real-* is always
served whole.
Connections are kept open unless an answer closes them.
usage: http_cases_server.py PORT (then tests/support/run_http_case.sh build/grabulo PORT CASE)
"""
import socket
import sys
import threading
import time

PORT = int(sys.argv[1])
JPEG = b"\xff\xd8\xff\xe0" + b"\x00" * 60


def body_of(name):
    return JPEG + name.encode() * 20


def ok(body, extra=b""):
    return b"HTTP/1.1 200 OK\r\nContent-Type: image/jpeg\r\nContent-Length: %d\r\n%s\r\n" % (len(body), extra) + body


def page(links, extra=b""):
    html = b"<html><body>" + b"".join(b'<a href="%s">%s</a>\n' % (l, l) for l in links) + b"</body></html>"
    return b"HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: %d\r\n%s\r\n" % (len(html), extra) + html


def redirect(code, location):
    return b"HTTP/1.1 %d Moved\r\nLocation: %s\r\nContent-Length: 0\r\n\r\n" % (code, location)


# file answers: CASE -> function(name) -> (bytes, close_after)
def file_answer(case, name):
    b = body_of(name)
    if name.startswith("real-") or case in ("p308", "pmove", "p103"):
        return ok(b), False
    if case == "early103":
        return b"HTTP/1.1 103 Early Hints\r\nLink: </s.css>; rel=preload\r\n\r\n" + ok(b), False
    if case == "cont100":
        return b"HTTP/1.1 100 Continue\r\n\r\n" + ok(b), False
    if case == "cutstatus":
        return b"HTTP/1.1 200 OK\r\n", True
    if case == "cutheader":
        return b"HTTP/1.1 200 OK\r\nContent-Type: image/jpeg\r\n", True
    if case in ("clneg", "clcomma", "clhuge", "cltwo", "clsame"):
        cl = {"clneg": b"Content-Length: -5\r\n", "clcomma": b"Content-Length: 1,3111\r\n",
              "clhuge": b"Content-Length: 99999999999999999999\r\n",
              "cltwo": b"Content-Length: %d\r\nContent-Length: %d\r\n" % (len(b), len(b) + 1),
              "clsame": b"Content-Length: %d\r\nContent-Length: %d\r\n" % (len(b), len(b))}[case]
        return b"HTTP/1.1 200 OK\r\nContent-Type: image/jpeg\r\n" + cl + b"\r\n" + b, case != "clsame"
    if case == "chunkedcl":
        chunks = b"%x\r\n%s\r\n0\r\n\r\n" % (len(b), b)
        return b"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nContent-Length: 7\r\n\r\n" + chunks, False
    if case == "junk":
        return ok(b) + b"\r\nJUNK JUNK\r\n", False
    if case == "partial":
        return (b"HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 0-9/%d\r\nContent-Length: 10\r\n\r\n"
                % len(b)) + b[:10], False
    if case.startswith("r3"):
        return redirect(int(case[1:]), b"real-" + name.encode()), False
    if case.startswith("loc"):
        loc = {"locjs": b"javascript:alert(1)", "locfile": b"file:///etc/passwd",
               "locport": b"http://127.0.0.1:abc/x.jpg", "locv6": b"http://[::1",
               "locuser": b"http://u:p@127.0.0.1:%d/x.jpg" % PORT}[case]
        return redirect(302, loc), False
    if case == "trickle":
        return None, True
    return b"HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n", False


def page_answer(case, path):
    if case == "p308" and path == "/p308/":
        return redirect(308, b"/p308/2024/"), False
    if case == "pmove" and path == "/pmove/":
        return redirect(301, b"/pmove/2024/"), False
    if case == "pagecut":
        return b"HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n", True
    if case == "p103":
        return b"HTTP/1.1 103 Early Hints\r\n\r\n" + page([b"a.jpg", b"b.jpg"]), False
    return page([b"a.jpg", b"b.jpg"]), False


def handle(conn):
    buf = b""
    try:
        while True:
            while b"\r\n\r\n" not in buf:
                data = conn.recv(65536)
                if not data:
                    return
                buf += data
            head, buf = buf.split(b"\r\n\r\n", 1)
            line = head.split(b"\r\n")[0].decode("latin-1")
            path = line.split(" ")[1]
            parts = path.strip("/").split("/")
            case = parts[0] if parts else ""
            last = parts[-1] if parts else ""
            sys.stderr.write("%s %s\n" % (time.strftime("%H:%M:%S"), line))
            if last.endswith(".jpg"):
                if case == "trickle":
                    b = body_of(last)
                    conn.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: %d\r\n\r\n" % len(b))
                    for c in b:
                        conn.sendall(bytes([c]))
                        time.sleep(1)
                    return
                answer, close = file_answer(case, last)
            else:
                answer, close = page_answer(case, path)
            if head.startswith(b"HEAD"):
                answer = answer.split(b"\r\n\r\n", 1)[0] + b"\r\n\r\n"
            conn.sendall(answer)
            if close or line.endswith("HTTP/1.0"):
                return
    except OSError:
        pass
    finally:
        conn.close()


def main():
    s = socket.socket()
    s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    s.bind(("127.0.0.1", PORT))
    s.listen(64)
    while True:
        c, _ = s.accept()
        threading.Thread(target=handle, args=(c,), daemon=True).start()


main()
