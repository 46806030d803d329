#!/usr/bin/env python3
"""The sound Wine's PulseAudio driver holds back, beside the offset measured
from outside, every 10 seconds.

    wine_held.py TRACE EVENTS SPEC

TRACE is the program's output under WINEDEBUG=+timestamp,+pulse; EVENTS is
bench/av_events.py --absolute's listing of the same run; SPEC is the stream's
PulseAudio sample specification ("float32le 2ch 44100Hz"). Run it on the
machine that made the trace, since boot: Wine stamps its trace with the tick
count (the monotonic clock, as /proc/uptime counts), the capture with the wall
clock. Held back is what
winepulse took from DirectSound but has not given to PulseAudio: it lowers
the padding DirectSound sees by one period every 10 ms whatever PulseAudio
takes, so DirectSound counts that sound as played.
"""
import re
import sys
import time

trace, events, spec = sys.argv[1:4]
shift = time.time() - float(open("/proc/uptime").read().split()[0])
fmt, channels, rate = re.match(r"(\S+) (\d+)ch (\d+)Hz", spec).groups()
width = {"u8": 1, "s16le": 2, "s24le": 3}.get(fmt, 4)
bytes_per_ms = width * int(channels) * int(rate) / 1000.0
started = playing = None
held = []  # (wall time, ms held back after each write to PulseAudio)
for line in open(trace, errors="replace"):
    m = re.match(r"(\d+\.\d+):\w+:trace:pulse:(\w+) (.*)", line)
    if not m:
        continue
    t, where, text = float(m.group(1)) + shift, m.group(2), m.group(3)
    if where == "AudioClient_Start" and started is None:
        started = t
    elif where == "pulse_started_callback" and playing is None:
        playing = t
    elif where == "pulse_write":
        w = re.match(r"held: (\d+), avail: (\d+)", text)
        if w:
            held.append((t, max(0, int(w.group(1)) - int(w.group(2))) / bytes_per_ms))
pairs = [(float(a), float(b)) for a, b in
         re.findall(r"event at ([\d.]+) s\s+offset\s+([-+\d.]+) ms", open(events).read())]
print(f"wine_held: {spec}; PulseAudio began to play {1000 * (playing - started):.0f} ms "
      f"after Wine started its stream" if started and playing else "wine_held: no start seen")
if not pairs:
    sys.exit("wine_held: no flash and click pairs")
print("wine_held:    s  offset (ms)  held back by winepulse (ms: min mean max)")
t0 = pairs[0][0]
for k in range(int((pairs[-1][0] - t0) // 10) + 1):
    lo, hi = t0 + 10 * k, t0 + 10 * (k + 1)
    offs = [o for t, o in pairs if lo <= t < hi]
    back = [h for t, h in held if lo <= t < hi]
    if offs and back:
        print(f"wine_held: {10 * k:4d}  {sum(offs) / len(offs):+11.1f}  "
              f"{min(back):6.1f} {sum(back) / len(back):6.1f} {max(back):6.1f}")
