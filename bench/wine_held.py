#!/usr/bin/env python3
"""The sound Wine's PulseAudio driver holds back, beside the offset measured
from outside, every 10 seconds.

    wine_held.py TRACE EVENTS

TRACE is the player's output under WINEDEBUG=+timestamp,+pulse; EVENTS is
bench/av_events.py --absolute's listing of the same run. Held back is what
winepulse took from DirectSound but has not given to PulseAudio: it lowers
the padding DirectSound sees by one period every 10 ms whatever PulseAudio
takes, so DirectSound counts that sound as played and its play cursor runs
ahead of the speakers by it. Whatever winepulse's clock ran ahead by before
PulseAudio began to play the stream stays held back, up to the size of
winepulse's own buffer.

Run it on the machine that made the trace: Wine stamps its trace with the
tick count (the monotonic clock, as /proc/uptime counts), the capture with
the wall clock.
"""
import re
import sys
import time


def read_trace(path, shift):
    """(start delay in ms or None, [(wall time, ms held back)]) of the last
    stream the player opened."""
    bytes_per_ms = started = playing = None
    held = []
    for line in open(path, errors="replace"):
        m = re.match(r"(\d+\.\d+):\w+:trace:pulse:(\w+) (.*)", line)
        if not m:
            continue
        t, where, text = float(m.group(1)) + shift, m.group(2), m.group(3)
        if where == "AudioClient_Initialize":
            bytes_per_ms = None
        elif where == "dump_fmt" and bytes_per_ms is None and text.startswith("nAvgBytesPerSec:"):
            bytes_per_ms = int(text.split()[1]) / 1000.0
        elif where == "AudioClient_Start":
            started, playing = t, None
        elif where == "pulse_started_callback" and playing is None:
            playing = t
        elif where == "pulse_write" and bytes_per_ms:
            w = re.match(r"held: (\d+), avail: (\d+)", text)
            if w:
                held.append((t, max(0, int(w.group(1)) - int(w.group(2))) / bytes_per_ms))
    delay = 1000 * (playing - started) if started and playing else None
    return delay, held


def main():
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    shift = time.time() - float(open("/proc/uptime").read().split()[0])
    delay, held = read_trace(sys.argv[1], shift)
    pairs = [(float(a), float(b)) for a, b in re.findall(
        r"event at ([\d.]+) s\s+offset\s+([-+\d.]+) ms", open(sys.argv[2]).read())]
    if delay is not None:
        print(f"wine_held: PulseAudio began to play {delay:.0f} ms after Wine started its stream")
    if not pairs or not held:
        print("wine_held: no events or no trace", file=sys.stderr)
        return 1
    print("wine_held:    s  offset (ms)  held back by winepulse (ms: min mean max)")
    t0 = pairs[0][0]
    for k in range(int((pairs[-1][0] - t0) // 10) + 1):
        lo, hi = t0 + 10 * k, t0 + 10 * (k + 1)
        offs = [o for t, o in pairs if lo <= t < hi]
        back = [h for t, h in held if lo <= t < hi]
        if offs and back:
            print(f"wine_held: {10 * k:4d}  {sum(offs) / len(offs):+11.1f}  "
                  f"{min(back):6.1f} {sum(back) / len(back):6.1f} {max(back):6.1f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
