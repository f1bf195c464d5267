#!/usr/bin/python3
"""Writes the default alarm sound: a short two-tone alarm, 16-bit mono PCM.

Usage: make_alert_wav.py OUTPUT.wav
"""
import math
import struct
import sys
import wave

RATE = 22050
TONES = (880.0, 660.0)  # alternating high and low, like a siren
BEEP_SECONDS = 0.18
GAP_SECONDS = 0.02
REPEATS = 4  # four high-low pairs, about 1.6 s
AMPLITUDE = 0.6 * 32767
FADE_SAMPLES = int(0.005 * RATE)  # short ramps so the tones do not click


def beep(frequency):
    count = int(BEEP_SECONDS * RATE)
    samples = []
    for i in range(count):
        ramp = min(1.0, i / FADE_SAMPLES, (count - 1 - i) / FADE_SAMPLES)
        samples.append(int(AMPLITUDE * ramp * math.sin(2 * math.pi * frequency * i / RATE)))
    return samples + [0] * int(GAP_SECONDS * RATE)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    samples = []
    for _ in range(REPEATS):
        for frequency in TONES:
            samples += beep(frequency)
    with wave.open(sys.argv[1], "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(struct.pack("<%dh" % len(samples), *samples))


if __name__ == "__main__":
    main()
