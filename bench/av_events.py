#!/usr/bin/env python3
"""Finds the flashes and clicks in a capture of the screen and the sound.

    av_events.py CAPTURE [--label NAME] [--absolute] [--seek] [--levels]

CAPTURE is a NUT file written by bench/rig.sh's capture: one gray video
stream (a small patch of the screen, 50 frames a second) and one 16-bit mono
sound stream (the null sink's monitor), both stamped with the wall clock.

A flash is a run of captured frames brighter than mid-grey; its time is the
time stamp of its first frame. A click is the first sample louder than a
third of full scale after at least 0.3 s of quiet. Each flash is paired with
the click nearest to it (within half a second) and the offset, picture
minus sound, is printed per event, with its mean, standard deviation and
drift (the slope of a straight line through the offsets, in ms per minute).
With --absolute each event is listed at its wall-clock time rather than
from the first one.

With --seek only the flashes are listed (time and length in frames), and
with --levels the time and mean brightness of every captured frame, for the
latency measurements.
"""
import math
import signal
import subprocess
import sys

BRIGHT = 128
LOUD = 32767 // 3
QUIET_BEFORE = 0.3
PAIR_WINDOW = 0.5
SETTLE = 3  # clicks left out at the start, while the players settle
LONGEST_FLASH = 12  # capture frames; a longer bright run is not a flash


def packets(capture, stream):
    """(pts, size) of every packet of one stream ('v' or 'a')."""
    out = subprocess.run(
        ["ffprobe", "-v", "error", "-select_streams", stream, "-show_entries",
         "packet=pts_time,size", "-of", "csv=p=0", capture],
        check=True, capture_output=True, text=True).stdout
    rows = []
    for line in out.split():
        pts, size = line.split(",")[:2]
        rows.append((float(pts), int(size)))
    return rows


def payload(capture, stream):
    fmt = "rawvideo" if stream == "v" else "s16le"
    return subprocess.run(
        ["ffmpeg", "-v", "error", "-i", capture, "-map", "0:" + stream, "-c", "copy",
         "-f", fmt, "-"], check=True, capture_output=True).stdout


def levels(capture):
    """(time, mean brightness) of every captured frame."""
    data = payload(capture, "v")
    found = []
    offset = 0
    for pts, size in packets(capture, "v"):
        frame = data[offset:offset + size]
        offset += size
        found.append((pts, sum(frame) / size if size else 0.0))
    return found


def flashes(capture):
    """(time, frames) of each bright run of the captured patch."""
    data = payload(capture, "v")
    found = []
    offset = 0
    run_start = None
    run_length = 0
    for pts, size in packets(capture, "v"):
        frame = data[offset:offset + size]
        offset += size
        bright = size > 0 and sum(frame) / size > BRIGHT
        if bright:
            if run_start is None:
                run_start, run_length = pts, 0
            run_length += 1
        elif run_start is not None:
            found.append((run_start, run_length))
            run_start = None
    if run_start is not None:
        found.append((run_start, run_length))
    return found


def clicks(capture):
    """Onset time of each click in the sound."""
    import array
    data = payload(capture, "a")
    found = []
    last_loud = -math.inf
    offset = 0
    chunk = 441  # 10 ms: whole chunks are checked first, in C
    for pts, size in packets(capture, "a"):
        samples = array.array("h", data[offset:offset + size - size % 2])
        offset += size
        for start in range(0, len(samples), chunk):
            part = samples[start:start + chunk]
            if max(part) < LOUD and -min(part) < LOUD:
                continue
            for i, value in enumerate(part):
                if abs(value) >= LOUD:
                    t = pts + (start + i) / 44100.0
                    if t - last_loud >= QUIET_BEFORE:
                        found.append(t)
                    last_loud = pts + (start + len(part) - 1) / 44100.0
                    break
    return found


def fit_slope(xs, ys):
    n = len(xs)
    if n < 2:
        return 0.0
    mx, my = sum(xs) / n, sum(ys) / n
    sxx = sum((x - mx) ** 2 for x in xs)
    return sum((x - mx) * (y - my) for x, y in zip(xs, ys)) / sxx if sxx > 0 else 0.0


def report_sync(capture, label, absolute):
    seen = flashes(capture)
    heard = clicks(capture)[SETTLE:]
    pairs = []
    for t, frames in seen:
        if frames > LONGEST_FLASH or (heard and t < heard[0] - 0.2):
            continue
        near = min(heard, key=lambda c: abs(c - t), default=None)
        if near is not None and abs(near - t) <= PAIR_WINDOW:
            pairs.append((near, (t - near) * 1000.0, frames))
    print(f"{label}: {len(heard)} clicks, {len(seen)} flashes, {len(pairs)} paired")
    if not pairs:
        return
    t0 = pairs[0][0]
    for click, offset, frames in pairs:
        when = f"at {click:.3f}" if absolute else f"{click - t0:8.2f}"
        print(f"  {label} event {when} s  offset {offset:+7.1f} ms  "
              f"flash {frames} capture frames")
    offsets = [p[1] for p in pairs]
    mean = sum(offsets) / len(offsets)
    sd = math.sqrt(sum((o - mean) ** 2 for o in offsets) / len(offsets))
    drift = fit_slope([(p[0] - t0) / 60.0 for p in pairs], offsets)
    lengths = [p[2] for p in pairs]
    print(f"{label}: offset mean {mean:+.1f} ms, sd {sd:.1f} ms, drift {drift:+.2f} ms/min "
          f"over {pairs[-1][0] - t0:.0f} s; flashes seen {len(pairs)} of {len(heard)} clicks, "
          f"flash length {sum(lengths) / len(lengths):.2f} capture frames "
          f"({20 * sum(lengths) / len(lengths):.0f} ms)")


def main():
    args = sys.argv[1:]
    if not args:
        print(__doc__, file=sys.stderr)
        return 2
    capture = args[0]
    label = args[args.index("--label") + 1] if "--label" in args else "capture"
    if "--levels" in args:
        for t, level in levels(capture):
            print(f"{t:.3f} {level:.1f}")
        return 0
    if "--seek" in args:
        for t, frames in flashes(capture):
            print(f"{t:.3f} {frames}")
        return 0
    report_sync(capture, label, "--absolute" in args)
    return 0


if __name__ == "__main__":
    # A reader that stops early (head) ends the listing quietly.
    signal.signal(signal.SIGPIPE, signal.SIG_DFL)
    sys.exit(main())
