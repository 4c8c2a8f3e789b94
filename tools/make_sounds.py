#!/usr/bin/python3
# Synthesises the game's five sound effects into data/sound/ as 16-bit mono PCM WAV files at
# 22 050 Hz with a plain 16-byte format chunk. Standard library only; the noise comes from a
# fixed-seed generator, so running it twice writes identical bytes.
import math
import os
import struct
import sys

RATE = 22050
PEAK = 10 ** (-1 / 20)  # normalise to about -1 dBFS
FADE_IN_MS = 3
FADE_OUT_MS = 8

DATA_DIR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data")


class Noise:
    """Linear congruential generator (Numerical Recipes constants) giving white noise in -1..1."""

    def __init__(self, seed):
        self.state = seed & 0xFFFFFFFF

    def next(self):
        self.state = (1664525 * self.state + 1013904223) & 0xFFFFFFFF
        return (self.state >> 8) / float(1 << 23) - 1.0


def seconds(n):
    return int(round(n * RATE))


def one_pole_lowpass(samples, cutoff_of_index):
    """Low-pass filter whose cutoff (Hz) may change per sample."""
    out = []
    y = 0.0
    for i, x in enumerate(samples):
        fc = cutoff_of_index(i)
        a = 1.0 - math.exp(-2.0 * math.pi * fc / RATE)
        y += a * (x - y)
        out.append(y)
    return out


def add_into(target, source, start=0, gain=1.0):
    for i, s in enumerate(source):
        j = start + i
        if j < len(target):
            target[j] += gain * s


def finish(samples):
    """Removes DC, fades both ends to zero and normalises the peak."""
    mean = sum(samples) / len(samples)
    samples = [s - mean for s in samples]
    fade_in = seconds(FADE_IN_MS / 1000)
    fade_out = seconds(FADE_OUT_MS / 1000)
    n = len(samples)
    for i in range(fade_in):
        samples[i] *= i / fade_in
    for i in range(fade_out):
        samples[n - 1 - i] *= i / fade_out
    peak = max(abs(s) for s in samples)
    return [s * PEAK / peak for s in samples]


def write_wav(path, samples):
    """RIFF, a 16-byte "fmt " chunk (PCM, mono, 16 bits), then "data": nothing else."""
    pcm = bytearray()
    for s in samples:
        v = int(round(s * 32767))
        pcm += struct.pack("<h", max(-32767, min(32767, v)))
    channels, bits = 1, 16
    block_align = channels * bits // 8
    fmt = struct.pack("<HHIIHH", 1, channels, RATE, RATE * block_align, block_align, bits)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt
    body += b"data" + struct.pack("<I", len(pcm)) + bytes(pcm)
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", len(body)) + body)


# --- the five effects ------------------------------------------------------------------------


def explosion():
    """The player dies: a noise burst that darkens as it decays, over a falling low rumble."""
    n = seconds(1.05)
    noise = Noise(0x5EED0001)
    raw = [noise.next() for _ in range(n)]
    # The burst starts bright and closes down to a dull roar.
    burst = one_pole_lowpass(raw, lambda i: 300 + 5200 * math.exp(-i / seconds(0.09)))
    burst = one_pole_lowpass(burst, lambda i: 400 + 6000 * math.exp(-i / seconds(0.12)))
    out = [0.0] * n
    for i in range(n):
        t = i / RATE
        env = math.exp(-t / 0.22) * (1.0 - math.exp(-t / 0.004))
        out[i] = 1.6 * burst[i] * env
    # Rumble: a sine gliding from 75 Hz down to 38 Hz, roughened by slow noise.
    rough = one_pole_lowpass([noise.next() for _ in range(n)], lambda i: 60)
    phase = 0.0
    for i in range(n):
        t = i / RATE
        freq = 38 + 37 * math.exp(-t / 0.25)
        phase += 2 * math.pi * freq / RATE
        env = math.exp(-t / 0.38) * (1.0 - math.exp(-t / 0.01))
        out[i] += env * (0.75 * math.sin(phase) + 6.0 * rough[i])
    # A few crackles in the tail, like debris.
    for k, (at, length) in enumerate(((0.18, 0.012), (0.31, 0.009), (0.45, 0.014), (0.58, 0.008))):
        start = seconds(at)
        crack = Noise(0xC0FFEE + k)
        for j in range(seconds(length)):
            if start + j < n:
                out[start + j] += 0.35 * crack.next() * math.exp(-j / seconds(0.003)) * (0.8 - at)
    tail = seconds(0.2)
    for i in range(tail):
        out[n - tail + i] *= 0.5 * (1 + math.cos(math.pi * i / tail))
    return finish(out)


def stein():
    """A stone lands: a short low thud, a pitch drop from 120 Hz with a dull knock on top.
    Kept shorter than the fastest pace of falling objects (4 frames at 30 fps): a sound slot
    with one buffer does not restart a sound that still plays, so a longer thud would swallow
    every other landing on the hardest setting."""
    n = seconds(0.125)
    noise = Noise(0x5EED0002)
    knock = one_pole_lowpass([noise.next() for _ in range(n)], lambda i: 900)
    knock = one_pole_lowpass(knock, lambda i: 900)
    out = [0.0] * n
    phase = 0.0
    for i in range(n):
        t = i / RATE
        freq = 55 + 65 * math.exp(-t / 0.03)
        phase += 2 * math.pi * freq / RATE
        body = math.sin(phase) * math.exp(-t / 0.04)
        thump = 5.0 * knock[i] * math.exp(-t / 0.012)
        out[i] = body + thump
    return finish(out)


def tone(freq, length, partials, decay, vibrato=0.0, attack=0.008, release=0.02):
    """A note made of harmonic partials [(number, level)], each above Nyquist left out; it
    closes with a short release so that notes end without a click."""
    n = seconds(length)
    rel = seconds(release)
    out = [0.0] * n
    phase = 0.0
    for i in range(n):
        t = i / RATE
        f = freq * (1.0 + vibrato * math.sin(2 * math.pi * 5.5 * t) * min(1.0, t / 0.15))
        phase += 2 * math.pi * f / RATE
        v = 0.0
        for number, level in partials:
            if freq * number < RATE / 2 - 500:
                v += level * math.sin(number * phase)
        env = min(1.0, t / attack) * math.exp(-t / decay)
        if i >= n - rel:
            env *= 0.5 * (1 + math.cos(math.pi * (i - (n - rel)) / rel))
        out[i] = v * env
    return out


def note_hz(name):
    names = {"C": -9, "D": -7, "E": -5, "F": -4, "G": -2, "A": 0, "B": 2}
    semis = names[name[0]] + 12 * (int(name[-1]) - 4)
    if "#" in name:
        semis += 1
    return 440.0 * 2 ** (semis / 12)


BRASS = [(1, 1.0), (2, 0.7), (3, 0.5), (4, 0.35), (5, 0.25), (6, 0.16), (7, 0.1), (8, 0.06)]
PULSE = [(k, (1.0 / k) * abs(math.sin(math.pi * k * 0.25)) * 1.6) for k in range(1, 16)]


def fanfare():
    """The quota is reached: a bright brass arpeggio up to a held, shimmering C major chord."""
    n = seconds(1.05)
    out = [0.0] * n
    steps = ["C5", "E5", "G5", "C6"]
    at = 0.0
    for name in steps:
        add_into(out, tone(note_hz(name), 0.16, BRASS, 0.12), seconds(at), 0.8)
        at += 0.085
    chord_start = seconds(at + 0.02)
    for name, gain in (("C5", 0.5), ("E5", 0.45), ("G5", 0.45), ("C6", 0.7)):
        add_into(out, tone(note_hz(name), 1.05 - at - 0.02, BRASS, 0.3, vibrato=0.004,
                           release=0.25), chord_start, gain)
    return finish(out)


def letsgo():
    """Every level start: a bouncy chiptune jingle, short-short-long, ending on a high note."""
    n = seconds(0.8)
    out = [0.0] * n
    melody = [("G4", 0.0, 0.1), ("C5", 0.1, 0.1), ("E5", 0.2, 0.08), ("D5", 0.3, 0.08),
              ("G5", 0.4, 0.1), ("C6", 0.5, 0.3)]
    for name, at, length in melody:
        last = length >= 0.2
        decay = 0.16 if last else 0.09
        vib = 0.006 if last else 0.0
        release = 0.15 if last else 0.015
        add_into(out, tone(note_hz(name), length, PULSE, decay, vibrato=vib, attack=0.004,
                           release=release), seconds(at), 1.0)
        # A quiet octave below gives the jingle some body.
        add_into(out, tone(note_hz(name) / 2, length, [(1, 1.0), (3, 0.2)], decay, attack=0.004,
                           release=release), seconds(at), 0.35)
    return finish(out)


def gong():
    """The exit is entered: a metallic strike with inharmonic partials and a long decay."""
    n = seconds(1.6)
    base = 146.0
    # (ratio, level, decay in seconds): higher partials die away sooner.
    partials = [(1.0, 1.0, 0.9), (1.52, 0.55, 0.7), (2.0, 0.5, 0.6), (2.41, 0.4, 0.5),
                (2.76, 0.35, 0.45), (3.38, 0.28, 0.35), (4.1, 0.2, 0.28), (5.33, 0.15, 0.2),
                (6.9, 0.1, 0.14)]
    out = [0.0] * n
    for ratio, level, decay in partials:
        phase = 0.0
        f0 = base * ratio
        for i in range(n):
            t = i / RATE
            # The pitch settles slightly after the strike, as a struck plate does.
            f = f0 * (1.0 + 0.012 * math.exp(-t / 0.12))
            phase += 2 * math.pi * f / RATE
            beat = 1.0 + 0.15 * math.sin(2 * math.pi * 3.1 * ratio * t)
            out[i] += level * math.sin(phase) * math.exp(-t / decay) * beat
    # The mallet: a short soft noise hit.
    noise = Noise(0x5EED0005)
    hit = one_pole_lowpass([noise.next() for _ in range(seconds(0.03))], lambda i: 2500)
    for i, s in enumerate(hit):
        out[i] += 1.5 * s * math.exp(-i / seconds(0.006))
    # Swell in over 5 ms so the strike has weight without a click.
    for i in range(seconds(0.005)):
        out[i] *= i / seconds(0.005)
    # Let the tail close smoothly over the last 300 ms.
    tail = seconds(0.3)
    for i in range(tail):
        out[n - tail + i] *= 0.5 * (1 + math.cos(math.pi * i / tail))
    return finish(out)


EFFECTS = [("explosion", explosion), ("stein", stein), ("fanfare", fanfare), ("letsgo", letsgo),
           ("gong", gong)]


def main():
    sound_dir = os.path.normpath(os.path.join(DATA_DIR, "sound"))
    os.makedirs(sound_dir, exist_ok=True)
    for name, make in EFFECTS:
        path = os.path.join(sound_dir, name + ".wav")
        write_wav(path, make())
        print("wrote", os.path.relpath(path, os.path.join(DATA_DIR, "..")))
    return 0


if __name__ == "__main__":
    sys.exit(main())
