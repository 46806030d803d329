#!/usr/bin/env python3
"""Prints the strongest frequency of 16-bit mono little-endian samples.

    tone.py RATE < samples.raw
    tone.py RATE FROM TO < samples.raw   the level instead, in dB of full scale:
                                         the median over tenths of a second of
                                         the loudness between FROM and TO seconds

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


def level(samples, rate, start, end):
    tenth = rate // 10
    values = []
    for i in range(int(start * rate), int(end * rate) - tenth + 1, tenth):
        part = samples[i: i + tenth]
        values.append(math.sqrt(sum(x * x for x in part) / len(part)) + 1e-9)
    values.sort()
    return 20 * math.log10(values[len(values) // 2] / 32768) if values else -999


def main():
    rate = int(sys.argv[1])
    data = sys.stdin.buffer.read()
    count = len(data) // 2
    samples = struct.unpack("<%dh" % count, data[:count * 2])
    if len(sys.argv) == 4:
        print("%.2f" % level(samples, rate, float(sys.argv[2]), float(sys.argv[3])))
        return
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
