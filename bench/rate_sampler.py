#!/usr/bin/env python3
"""Runs a download command and watches the bytes arrive in its folder.

usage: rate_sampler.py NAME CAP_KIB FOLDER -- COMMAND...

Every 20 ms the sizes of the files under FOLDER are summed. From the first
byte to the last the overall rate is printed, and the bytes of every 2 s
window from one second after the first byte on (every 0.5 s, while bytes
still come), each as its rate and its deviation from the cap. One line:
NAME exit=S seconds=T overall=R KiB/s (D% off) windows=N worst=W% min=A max=B
"""
import os
import subprocess
import sys
import time


def folder_bytes(folder):
    total = 0
    for root, _, files in os.walk(folder):
        for name in files:
            try:
                total += os.stat(os.path.join(root, name)).st_size
            except OSError:
                pass  # renamed or removed meanwhile
    return total


def bytes_at(samples, t):
    for (t0, b0), (t1, b1) in zip(samples, samples[1:]):
        if t <= t1:
            return b1 if t1 == t0 else b0 + (b1 - b0) * (t - t0) / (t1 - t0)
    return samples[-1][1]


def main():
    name, cap_kib, folder = sys.argv[1], float(sys.argv[2]), sys.argv[3]
    command = sys.argv[sys.argv.index("--") + 1:]
    cap = cap_kib * 1024
    start = time.monotonic()
    process = subprocess.Popen(command, stdout=subprocess.DEVNULL)
    samples = []
    while process.poll() is None:
        samples.append((time.monotonic() - start, folder_bytes(folder)))
        time.sleep(0.02)
    took = time.monotonic() - start
    samples.append((took, folder_bytes(folder)))
    final = samples[-1][1]
    if final == 0:
        print(f"{name:<6} exit={process.returncode} seconds={took:.2f} no bytes")
        return
    first = next(t for t, b in samples if b > 0)
    last = next(t for t, b in samples if b >= final)
    # All of it within one sample: the whole run is the only time there is.
    overall = final / (last - first if last > first else took)
    rates = []
    t = first + 1.0
    while t + 2.0 <= last:
        rates.append((bytes_at(samples, t + 2.0) - bytes_at(samples, t)) / 2.0)
        t += 0.5
    line = (f"{name:<6} exit={process.returncode} seconds={took:.2f} "
            f"overall={overall / 1024:.0f} KiB/s ({100 * (overall - cap) / cap:+.1f}% off)")
    if rates:
        worst = max(rates, key=lambda r: abs(r - cap))
        line += (f" windows={len(rates)} worst={100 * (worst - cap) / cap:+.1f}%"
                 f" min={min(rates) / 1024:.0f} max={max(rates) / 1024:.0f} KiB/s")
    print(line)


if __name__ == "__main__":
    main()
