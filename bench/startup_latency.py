#!/usr/bin/env python3
"""Start-up of an unattended run: the time from starting the program to its
page request reaching a local server, for grabulo-cli and for the window
program's "start exit" run, against wget's for the same page.

    bench/startup_latency.py [BUILD_FOLDER] [RUNS]      (build, 20)

Each run gets a private home (GRABULO_HOME, XDG_CONFIG_HOME) and no display,
as a run from cron or ssh has. The page links to nothing, so the run ends
right after the page. Prints the median and the best of each, and the ratio.
"""
import os, socket, statistics, subprocess, sys, tempfile, threading, time

PAGE = b"<html><body>no links</body></html>"


class Server:
    def __init__(self):
        self.sock = socket.socket()
        self.sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.sock.bind(("127.0.0.1", 0))
        self.sock.listen(16)
        self.port = self.sock.getsockname()[1]
        self.arrivals = []
        threading.Thread(target=self.serve, daemon=True).start()

    def serve(self):
        while True:
            conn, _ = self.sock.accept()
            data = b""
            while b"\r\n\r\n" not in data:
                chunk = conn.recv(4096)
                if not chunk:
                    break
                data += chunk
            self.arrivals.append(time.monotonic())
            conn.sendall(b"HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: %d\r\n"
                         b"Connection: close\r\n\r\n" % len(PAGE) + PAGE)
            conn.close()


def time_to_request(server, command, env):
    before = len(server.arrivals)
    start = time.monotonic()
    subprocess.run(command, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
    if len(server.arrivals) == before:
        raise SystemExit("no request arrived from: " + " ".join(command))
    return (server.arrivals[before] - start) * 1000


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else "build"
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 20
    server = Server()
    url = "127.0.0.1:%d/index.html" % server.port
    times = {"grabulo-cli": [], "grabulo exit": [], "wget": []}
    with tempfile.TemporaryDirectory() as top:
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
        env.update(GRABULO_HOME=top, XDG_CONFIG_HOME=top + "/config", XDG_RUNTIME_DIR=top)
        out = os.path.join(top, "out")
        os.mkdir(out)
        commands = {
            "grabulo-cli": [os.path.join(build, "grabulo-cli"), "-q", "-o", out, url],
            "grabulo exit": [os.path.join(build, "grabulo"), url, out, "start", "exit"],
            "wget": ["wget", "-q", "-O", os.devnull, "http://" + url],
        }
        for _ in range(runs):
            for name, command in commands.items():
                times[name].append(time_to_request(server, command, env))
    print("load average: %.2f %.2f %.2f" % os.getloadavg())
    print("time to the page request, ms (%d runs)" % runs)
    print("%-13s %8s %8s %14s" % ("", "median", "best", "median/wget"))
    peer = statistics.median(times["wget"])
    for name, values in times.items():
        print("%-13s %8.1f %8.1f %14.2f" % (name, statistics.median(values), min(values), statistics.median(values) / peer))


if __name__ == "__main__":
    main()
