#!/usr/bin/env python3
"""A generated RTTY signal for trying the receiver without a radio.

    rtty_signal.py make OUT.raw [SECONDS] [CENTRE_HZ]
        50 Bd, 450 Hz shift, mark on the lower tone, centred on 1701 Hz (the receiver's start-up
        tuning), a little noise; raw 16-bit little-endian mono at 11025 samples per second,
        padded to whole 2048-sample buffers.
    rtty_signal.py feed IN.raw FIFO
        Writes the file into a named pipe at 11025 samples per second, over and over, one
        2048-sample buffer per write (the capture device reads a buffer in pieces that add up to
        exactly that, so no read comes up short).

With tests/data/alsa/asound.conf as ALSA_CONFIG_PATH and the pipe as MORVIK_TEST_INFILE, the
receiver's sound input reads the pipe as its capture device.
"""
import math, random, struct, sys, time

RATE = 11025.0
LETTERS = {'E': 1, '\n': 2, 'A': 3, ' ': 4, 'S': 5, 'I': 6, 'U': 7, '\r': 8, 'D': 9, 'R': 10, 'J': 11,
           'N': 12, 'F': 13, 'C': 14, 'K': 15, 'T': 16, 'Z': 17, 'L': 18, 'W': 19, 'H': 20, 'Y': 21,
           'P': 22, 'Q': 23, 'O': 24, 'B': 25, 'G': 26, 'M': 28, 'X': 29, 'V': 30}
FIGURES = {'3': 1, '-': 3, "'": 5, '8': 6, '7': 7, '$': 9, '4': 10, '*': 11, ',': 12, '!': 13, ':': 14,
           '(': 15, '5': 16, '+': 17, ')': 18, '2': 19, '#': 20, '6': 21, '0': 22, '1': 23, '9': 24,
           '?': 25, '&': 26, '.': 28, '/': 29, '=': 30}
TEXT = "RYRYRYRY CQ CQ DE MORVIK TEST 1234567890 THE QUICK BROWN FOX JUMPS OVER THE LAZY DOG\r\n"
BUFFER_BYTES = 4096


def codes(text):
    out, figures = [31], False
    for ch in text:
        if ch in ' \r\n':
            out.append(LETTERS[ch])
        elif ch in LETTERS:
            if figures:
                out.append(31)
                figures = False
            out.append(LETTERS[ch])
        elif ch in FIGURES:
            if not figures:
                out.append(27)
                figures = True
            out.append(FIGURES[ch])
    return out


def make(path, seconds=60.0, centre=1701.0):
    mark, space, per_bit = centre - 225.0, centre + 225.0, RATE / 50.0
    rnd = random.Random(7)
    samples, phase, t = [], 0.0, 0.0

    def tone(hz, n):
        nonlocal phase, t
        t += n
        while len(samples) < int(t):
            phase += 2 * math.pi * hz / RATE
            samples.append(max(-32768, min(32767, int(8000 * math.sin(phase) + rnd.gauss(0, 800)))))

    tone(mark, 25 * per_bit)
    while len(samples) < seconds * RATE:
        for c in codes(TEXT):
            tone(space, per_bit)
            for b in range(5):
                tone(mark if (c >> b) & 1 else space, per_bit)
            tone(mark, 1.5 * per_bit)
    data = struct.pack('<%dh' % len(samples), *samples)
    data += b'\0' * (-len(data) % BUFFER_BYTES)
    with open(path, 'wb') as f:
        f.write(data)


def feed(path, fifo):
    data = open(path, 'rb').read()
    data += b'\0' * (-len(data) % BUFFER_BYTES)
    pos = 0
    while True:
        try:
            # The sound library opens and closes the device once before it opens it for good.
            with open(fifo, 'wb', buffering=0) as f:
                start, sent = time.monotonic(), 0
                while True:
                    f.write(data[pos:pos + BUFFER_BYTES])
                    pos = (pos + BUFFER_BYTES) % len(data)
                    sent += BUFFER_BYTES // 2
                    ahead = sent / RATE - (time.monotonic() - start)
                    if ahead > 0:
                        time.sleep(ahead)
        except BrokenPipeError:
            pass


if __name__ == '__main__':
    if len(sys.argv) >= 3 and sys.argv[1] == 'make':
        make(sys.argv[2], *(float(a) for a in sys.argv[3:5]))
    elif len(sys.argv) == 4 and sys.argv[1] == 'feed':
        feed(sys.argv[2], sys.argv[3])
    else:
        sys.exit(__doc__)
