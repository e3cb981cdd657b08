#!/usr/bin/env python3
"""Writes the sounds of Dawnbell's five built-in templates as MP3 files.

  morningMist.mp3     Morning Mist: a slow, soft rising arpeggio of bell tones
  bigbenHighNoon.mp3  High Noon: the four-phrase Westminster quarter chime
  bigbenHour.mp3      High Noon: one deep hour strike (played twelve times)
  siren.mp3           Medication: a rising and falling two-tone siren
  ring.mp3            Meeting: a classic telephone bell, two rings
  oven.mp3            Pizza Timer: three kitchen-timer dings

The samples are synthesised here (mono, 22050 Hz, 16-bit; sums of decaying sine
partials with short attack ramps so nothing clicks) and encoded with LAME at
48 kbit/s, so the six files stay small. The synthesis is deterministic; the
encoded files are committed, so building never needs LAME.

Usage: make_template_sounds.py [output folder]   (default: sounds/ next to this script)
Needs: lame (Debian package "lame").
"""
import math
import os
import struct
import subprocess
import sys
import tempfile

RATE = 22050

BELL = [(1.0, 1.00, 1.00), (2.0, 0.50, 0.60), (3.0, 0.25, 0.40), (4.2, 0.12, 0.25), (5.4, 0.06, 0.18)]
DEEP_BELL = [(0.5, 0.60, 2.50), (1.0, 1.00, 2.00), (1.19, 0.35, 1.40), (2.0, 0.40, 1.00), (2.52, 0.20, 0.70),
             (3.0, 0.12, 0.50)]


def silence(seconds):
    return [0.0] * int(RATE * seconds)


def bell(freq, seconds, partials=BELL, decay_scale=1.0, attack=0.005):
    n = int(RATE * seconds)
    out = [0.0] * n
    for ratio, amp, tau in partials:
        f = freq * ratio
        if f >= RATE / 2:
            continue
        w = 2 * math.pi * f / RATE
        k = 1.0 / (tau * decay_scale * RATE)
        for i in range(n):
            out[i] += amp * math.exp(-i * k) * math.sin(w * i)
    ramp = max(1, int(RATE * attack))
    for i in range(min(ramp, n)):
        out[i] *= i / ramp
    return out


def mix(base, part, at_seconds, gain=1.0):
    start = int(RATE * at_seconds)
    if len(base) < start + len(part):
        base.extend([0.0] * (start + len(part) - len(base)))
    for i, v in enumerate(part):
        base[start + i] += gain * v
    return base


def fade_out(samples, seconds):
    n = min(len(samples), int(RATE * seconds))
    for i in range(n):
        samples[len(samples) - n + i] *= 1.0 - i / n
    return samples


def normalise(samples, peak=0.8):
    top = max(abs(v) for v in samples) or 1.0
    return [v * peak / top for v in samples]


def note(name):
    """Frequency of a note like 'E4' or 'G#3' (A4 = 440 Hz)."""
    steps = {'C': -9, 'D': -7, 'E': -5, 'F': -4, 'G': -2, 'A': 0, 'B': 2}
    semis = steps[name[0]]
    rest = name[1:]
    if rest.startswith('#'):
        semis += 1
        rest = rest[1:]
    octave = int(rest)
    return 440.0 * 2 ** ((semis + 12 * (octave - 4)) / 12)


def morning_mist():
    out = silence(0.1)
    # C major 9 arpeggio, up and gently back.
    for i, n in enumerate(['C5', 'E5', 'G5', 'B5', 'D6', 'B5', 'G5', 'E5']):
        mix(out, bell(note(n), 2.5, decay_scale=1.2), 0.1 + i * 0.45, 0.6)
    return fade_out(out, 0.8)


def westminster():
    phrases = [['G#4', 'F#4', 'E4', 'B3'], ['E4', 'G#4', 'F#4', 'B3'],
               ['E4', 'F#4', 'G#4', 'E4'], ['G#4', 'E4', 'F#4', 'B3']]
    out = silence(0.1)
    t = 0.1
    for phrase in phrases:
        for i, n in enumerate(phrase):
            length = 1.2 if i == 3 else 0.6
            mix(out, bell(note(n), 2.2, decay_scale=1.4), t, 0.7)
            t += length
        t += 0.3
    out.extend(silence(0.8))
    return fade_out(out, 1.0)


def hour_strike():
    out = bell(note('E3'), 3.0, partials=DEEP_BELL)
    return fade_out(out, 0.6)


def siren():
    out = []
    phase = 0.0
    total = 3.0
    n = int(RATE * total)
    for i in range(n):
        t = i / RATE
        # Two-tone siren gliding between 660 and 880 Hz twice a second.
        f = 770 + 110 * math.sin(2 * math.pi * 0.75 * t - math.pi / 2)
        phase += 2 * math.pi * f / RATE
        v = math.sin(phase) + 0.3 * math.sin(3 * phase) / 3
        out.append(v)
    ramp = int(RATE * 0.05)
    for i in range(ramp):
        out[i] *= i / ramp
    return fade_out(out, 0.2)


def telephone():
    out = []
    for burst in range(2):
        n = int(RATE * 1.0)
        for i in range(n):
            t = i / RATE
            hammer = 1.0 if math.sin(2 * math.pi * 20 * t) > 0 else 0.35
            v = hammer * (math.sin(2 * math.pi * 1200 * t) + 0.6 * math.sin(2 * math.pi * 1510 * t))
            edge = min(1.0, i / (RATE * 0.01), (n - i) / (RATE * 0.03))
            out.append(v * edge)
        out.extend(silence(0.6))
    return out


def oven():
    out = silence(0.05)
    for i in range(3):
        mix(out, bell(note('A6'), 0.9, decay_scale=0.5), 0.05 + i * 0.7, 0.8)
    return fade_out(out, 0.3)


SOUNDS = {
    'morningMist': morning_mist,
    'bigbenHighNoon': westminster,
    'bigbenHour': hour_strike,
    'siren': siren,
    'ring': telephone,
    'oven': oven,
}


def write_wav(path, samples):
    samples = normalise(samples)
    data = b''.join(struct.pack('<h', int(max(-1.0, min(1.0, v)) * 32767)) for v in samples)
    with open(path, 'wb') as f:
        f.write(b'RIFF' + struct.pack('<I', 36 + len(data)) + b'WAVE')
        f.write(b'fmt ' + struct.pack('<IHHIIHH', 16, 1, 1, RATE, RATE * 2, 2, 16))
        f.write(b'data' + struct.pack('<I', len(data)) + data)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, 'sounds')
    os.makedirs(out_dir, exist_ok=True)
    with tempfile.TemporaryDirectory() as tmp:
        for name, make in SOUNDS.items():
            wav = os.path.join(tmp, name + '.wav')
            write_wav(wav, make())
            mp3 = os.path.join(out_dir, name + '.mp3')
            subprocess.run(['lame', '--quiet', '-m', 'm', '-b', '48', '--noreplaygain', wav, mp3], check=True)
            print(f'{mp3}: {os.path.getsize(mp3)} bytes')


if __name__ == '__main__':
    main()
