#!/usr/bin/env python3
"""Prints the strongest frequency of 16-bit mono little-endian samples.

    tone.py RATE < samples.raw

Scans 50 Hz to 5 kHz in 8 Hz steps with the Goertzel filter over an eighth
of a second, then refines the peak in quarter hertz steps over the middle
second of the sound (or all of it when shorter). Prints 0 for silence. Standard library only.
"""

import math
import struct
import sys


def goertzel_power(samples, rate, frequency):
    coefficient = 2 * math.cos(2 * math.pi * frequency / rate)
    s1 = s2 = 0.0
    for x in samples:
        s1, s2 = x + coefficient * s1 - s2, s1
    return s1 * s1 + s2 * s2 - coefficient * s1 * s2


def strongest(samples, rate, low, high, step):
    best = (0.0, 0.0)
    f = low
    while f <= high:
        power = goertzel_power(samples, rate, f)
        if power > best[0]:
            best = (power, f)
        f += step
    return best


def main():
    rate = int(sys.argv[1])
    data = sys.stdin.buffer.read()
    count = len(data) // 2
    samples = struct.unpack("<%dh" % count, data[:count * 2])
    if count > rate:
        middle = count // 2
        samples = samples[middle - rate // 2: middle + rate // 2]
    # An eighth of a second resolves 8 Hz steps and keeps the scan quick.
    window = samples[: rate // 8] if len(samples) > rate // 8 else samples
    if not window or max(abs(s) for s in window) < 100:
        print(0)
        return
    _, coarse = strongest(window, rate, 50, 5000, 8)
    _, fine = strongest(samples, rate, coarse - 8, coarse + 8, 0.25)
    print("%.1f" % fine)


if __name__ == "__main__":
    main()
