#!/usr/bin/env python3
"""Writes the two built-in WAVE sounds of Dawnbell.

  wave197.wav  the fallback alarm sound (about 2 s): a soft "ding-dong" bell
               pair that still wakes, played when a playlist file is missing
               or cannot be played.
  wave198.wav  the end sound (under 1 s): a short rising two-note chime.

Both are mono 16-bit PCM at 22050 Hz. Each note is a sum of sine partials with
their own exponential decay (a small bell), with a 5 ms attack ramp so nothing
clicks. The output is deterministic: running the script again gives the same
bytes, so the committed files can always be reproduced.

Usage: make_chimes.py [output folder]   (default: the folder of this script)
"""
import math
import os
import struct
import sys

RATE = 22050

# (frequency ratio, relative amplitude, decay time constant in seconds)
BELL_PARTIALS = [
    (1.0, 1.00, 0.90),
    (2.0, 0.45, 0.55),
    (3.0, 0.22, 0.35),
    (4.2, 0.12, 0.22),
    (5.4, 0.06, 0.15),
]


def note(freq, start, length, gain, samples):
    """Adds one bell note of `length` seconds at `start` seconds into `samples`."""
    first = int(start * RATE)
    count = int(length * RATE)
    attack = int(0.005 * RATE)
    for n in range(count):
        i = first + n
        if i >= len(samples):
            break
        t = n / RATE
        v = 0.0
        for ratio, amp, tau in BELL_PARTIALS:
            v += amp * math.exp(-t / tau) * math.sin(2.0 * math.pi * freq * ratio * t)
        if n < attack:
            v *= n / attack
        # Fade the last 20 ms to zero so the clip ends cleanly.
        tail = count - n
        if tail < int(0.02 * RATE):
            v *= tail / (0.02 * RATE)
        samples[i] += gain * v


def write_wav(path, samples):
    peak = max(1e-9, max(abs(s) for s in samples))
    scale = 0.85 * 32767 / peak
    pcm = b"".join(struct.pack("<h", int(round(s * scale))) for s in samples)
    header = b"RIFF" + struct.pack("<I", 36 + len(pcm)) + b"WAVE"
    fmt = b"fmt " + struct.pack("<IHHIIHH", 16, 1, 1, RATE, RATE * 2, 2, 16)
    data = b"data" + struct.pack("<I", len(pcm))
    with open(path, "wb") as f:
        f.write(header + fmt + data + pcm)


def fallback_alarm():
    # E5 then C5, twice: a doorbell-like pair, 2.0 s in all.
    samples = [0.0] * int(2.0 * RATE)
    note(659.25, 0.00, 1.00, 1.0, samples)
    note(523.25, 0.45, 1.00, 1.0, samples)
    note(659.25, 1.00, 1.00, 0.9, samples)
    note(523.25, 1.45, 0.55, 0.9, samples)
    return samples


def end_sound():
    # G5 rising to C6, gentle: the alarm is over.
    samples = [0.0] * int(0.8 * RATE)
    note(783.99, 0.00, 0.80, 0.8, samples)
    note(1046.50, 0.15, 0.65, 0.7, samples)
    return samples


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    write_wav(os.path.join(out, "wave197.wav"), fallback_alarm())
    write_wav(os.path.join(out, "wave198.wav"), end_sound())


if __name__ == "__main__":
    main()
