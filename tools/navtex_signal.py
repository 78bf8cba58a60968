#!/usr/bin/env python3
"""A generated NAVTEX broadcast for trying the receiver's message archive without a radio.

    navtex_signal.py make OUT.raw [MESSAGES] [GAP_SECONDS]
        MESSAGES transmissions (default 3), each phasing, "ZCZC <id>", a few lines, "NNNN" and the
        end signal, 100 Bd, 170 Hz shift centred on 1701 Hz (a one on the upper tone), a little
        noise, GAP_SECONDS (default 4) of noise between them; raw 16-bit little-endian mono at
        11025 samples per second, padded to whole 2048-sample buffers.
    navtex_signal.py samples OUT.txt [MESSAGES] [GAP_SECONDS]
        The same broadcast as a text file of samples, one number a line, as Decode From File
        (Ctrl+Alt+G) reads it.
    navtex_signal.py sent [MESSAGES]
        Prints the messages the broadcast sends, exactly as sent (lines end in CR LF).
    navtex_signal.py tune MORVIK.INI
        Sets the receiver's mode (NAVTEX) and tuning in the settings file (made if missing).
    navtex_signal.py feed IN.raw FIFO
        As rtty_signal.py feed: the file into a named pipe at the sampling rate, over and over.

./try.sh navtex does all of this: it tunes a settings file, makes the broadcast and feeds it to the
receiver through the capture device that reads a named pipe (tests/data/alsa/asound.conf as
ALSA_CONFIG_PATH, the pipe as MORVIK_TEST_INFILE).
"""
import os, sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from rtty_signal import CENTRE, RATE, Tones, main  # noqa: E402

LETTERS = "\0E\nA SIU\rDRJNFCKTZLWHYPQOBG\0MXV"
FIGURES = "\0" "3\n- '87\r$4*,!:(5+)2#6019?&\0./="
LTRS, FIGS = 31, 27
# Seven-unit codes (four ones in seven) of the letters-case meanings, and of the signals.
FEC_BY_LETTER = {
    'A': 0x71, 'B': 0x27, 'C': 0x5C, 'D': 0x65, 'E': 0x35, 'F': 0x6C, 'G': 0x56, 'H': 0x4B, 'I': 0x59,
    'J': 0x74, 'K': 0x3C, 'L': 0x53, 'M': 0x4E, 'N': 0x4D, 'O': 0x47, 'P': 0x5A, 'Q': 0x3A, 'R': 0x55,
    'S': 0x69, 'T': 0x17, 'U': 0x39, 'V': 0x1E, 'W': 0x72, 'X': 0x2E, 'Y': 0x6A, 'Z': 0x63, '\r': 0x0F,
    '\n': 0x1B, ' ': 0x1D}
FEC_LTRS, FEC_FIGS, FEC_BLANK = 0x2D, 0x36, 0x2B
PHASING_DX, ALPHA = 0x33, 0x78

MESSAGES = [
    "ZCZC FA01\r\nNAVTEX TEST 123\r\nGALE WARNING AREA 7 WINDS 8 TO 9\r\nNNNN\r\n",
    "ZCZC FB02\r\nNAVIGATIONAL WARNING 45\r\nBUOY 12 OFF STATION\r\nNNNN\r\n",
    "ZCZC FC03\r\nWEATHER FORECAST\r\nSEA SLIGHT VISIBILITY GOOD\r\nNNNN\r\n",
]


def baudot(text):
    out, figures = [LTRS], False
    for ch in text:
        if ch in ' \r\n':
            out.append(LETTERS.index(ch))
        elif ch in LETTERS:
            if figures:
                out.append(LTRS)
                figures = False
            out.append(LETTERS.index(ch))
        else:
            if not figures:
                out.append(FIGS)
                figures = True
            out.append(FIGURES.index(ch))
    return out


def fec(code):
    if code == LTRS:
        return FEC_LTRS
    if code == FIGS:
        return FEC_FIGS
    if code == 0:
        return FEC_BLANK
    return FEC_BY_LETTER[LETTERS[code]]


def slots(text, phasing=40, end=6):
    # DX and RX positions alternate; each character goes out in DX and again two pairs later in RX.
    codes = [fec(c) for c in baudot(text)]
    out = []
    for k in range(phasing + len(codes) + end):
        dx = k - phasing
        out.append(PHASING_DX if dx < 0 else codes[dx] if dx < len(codes) else ALPHA)
        rx = dx - 2
        out.append(codes[rx] if 0 <= rx < len(codes) else ALPHA)
    return out


NAVTEX_SETTINGS = {"Mode": "6", "Reverse": "0", "CentreBin": "316"}


def sent(count=3):
    return ''.join(MESSAGES[i % len(MESSAGES)] for i in range(int(count)))


def signal(count=3, gap=4.0, centre=CENTRE):
    one, zero, per_bit = centre + 85.0, centre - 85.0, RATE / 100.0
    out = Tones(11)
    out.tone(0.0, RATE, 0.0)
    for i in range(int(count)):
        for code in slots(MESSAGES[i % len(MESSAGES)]):
            for b in range(6, -1, -1):
                out.tone(one if (code >> b) & 1 else zero, per_bit)
        out.tone(0.0, gap * RATE, 0.0)
    return out.samples


if __name__ == '__main__':
    main(signal, sent, NAVTEX_SETTINGS, sys.argv)
