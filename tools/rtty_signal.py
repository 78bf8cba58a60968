#!/usr/bin/env python3
"""A generated RTTY broadcast for trying the receiver without a radio.

    rtty_signal.py make OUT.raw [SECONDS] [CENTRE_HZ]
        50 Bd, 450 Hz shift, mark on the lower tone, centred on 1701 Hz (the receiver's start-up
        tuning), a little noise: a calling line, then numbered "ZCZC" ... "NNNN" messages, over and
        over; raw 16-bit little-endian mono at 11025 samples per second, padded to whole
        2048-sample buffers.
    rtty_signal.py samples OUT.txt [SECONDS] [CENTRE_HZ]
        The same broadcast as a text file of samples, one number a line, as Decode From File
        (Ctrl+Alt+G) reads it.
    rtty_signal.py sent [SECONDS]
        Prints the text the broadcast sends, exactly as sent (lines end in CR LF).
    rtty_signal.py tune MORVIK.INI
        Sets the receiver's mode and tuning in the settings file (made if missing) to this signal's.
    rtty_signal.py feed IN.raw FIFO
        Writes the file into a named pipe at 11025 samples per second, over and over, one
        2048-sample buffer per write (the capture device reads a buffer in pieces that add up to
        exactly that, so no read comes up short).

With tests/data/alsa/asound.conf as ALSA_CONFIG_PATH and the pipe as MORVIK_TEST_INFILE, the
receiver's sound input reads the pipe as its capture device; ./try.sh does all of this.
"""
import math, os, random, re, shutil, struct, sys, time

RATE = 11025.0
LETTERS = {'E': 1, '\n': 2, 'A': 3, ' ': 4, 'S': 5, 'I': 6, 'U': 7, '\r': 8, 'D': 9, 'R': 10, 'J': 11,
           'N': 12, 'F': 13, 'C': 14, 'K': 15, 'T': 16, 'Z': 17, 'L': 18, 'W': 19, 'H': 20, 'Y': 21,
           'P': 22, 'Q': 23, 'O': 24, 'B': 25, 'G': 26, 'M': 28, 'X': 29, 'V': 30}
FIGURES = {'3': 1, '-': 3, "'": 5, '8': 6, '7': 7, '$': 9, '4': 10, '*': 11, ',': 12, '!': 13, ':': 14,
           '(': 15, '5': 16, '+': 17, ')': 18, '2': 19, '#': 20, '6': 21, '0': 22, '1': 23, '9': 24,
           '?': 25, '&': 26, '.': 28, '/': 29, '=': 30}
CALL = "RYRYRYRY CQ CQ DE MORVIK TEST\r\n"
MESSAGE = "ZCZC RT{:02d}\r\nGALE WARNING VIKING NORTH UTSIRE\r\nWIND SW 8 TO 9 SEA ROUGH\r\nNNNN\r\n"
BUFFER_BYTES = 4096
BAUD, SHIFT, CENTRE = 50.0, 450.0, 1701.0
CHAR_SECONDS = 7.5 / BAUD
# The settings that tune the receiver to a signal: its section in MORVIK.INI and the start-up
# centre (bin 316 of the 2048-point spectrum at 11025 Hz is 1701 Hz).
SETTINGS_SECTION = "RTTY"
RTTY_SETTINGS = {"Mode": "0", "BaudRate": "50", "Shift": "450", "Reverse": "0", "CentreBin": "316"}


def broadcast(seconds=60.0):
    # The calling line, then as many numbered messages as fit in the time.
    text, n = CALL, 1
    while (len(text) + len(MESSAGE) + 1) * CHAR_SECONDS < seconds:
        text += MESSAGE.format(n)
        n += 1
    return text


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


class Tones:
    """Phase-continuous tones with a little noise, as 16-bit samples."""

    def __init__(self, seed):
        self.rnd, self.samples, self.phase, self.t = random.Random(seed), [], 0.0, 0.0

    def tone(self, hz, n, amplitude=8000.0):
        self.t += n
        while len(self.samples) < int(self.t):
            self.phase += 2 * math.pi * hz / RATE
            s = amplitude * math.sin(self.phase) + self.rnd.gauss(0, 800)
            self.samples.append(max(-32768, min(32767, int(s))))


def signal(seconds=60.0, centre=CENTRE):
    mark, space, per_bit = centre - SHIFT / 2, centre + SHIFT / 2, RATE / BAUD
    out = Tones(7)
    out.tone(mark, 25 * per_bit)
    for c in codes(broadcast(seconds)):
        out.tone(space, per_bit)
        for b in range(5):
            out.tone(mark if (c >> b) & 1 else space, per_bit)
        out.tone(mark, 1.5 * per_bit)
    out.tone(mark, max(0.0, seconds * RATE - out.t))
    return out.samples


def write_raw(path, samples):
    data = struct.pack('<%dh' % len(samples), *samples)
    data += b'\0' * (-len(data) % BUFFER_BYTES)
    with open(path, 'wb') as f:
        f.write(data)


def write_samples(path, samples):
    with open(path, 'w', newline='\r\n') as f:
        f.write(''.join('%d\n' % s for s in samples))


def tune(path, settings, section=SETTINGS_SECTION):
    # Sets the keys in the section and keeps every other line, and the file's line ends, as they are.
    try:
        with open(path, 'rb') as f:
            text = f.read().decode('latin-1')
    except FileNotFoundError:
        text = ''
    brk = '\n' if re.search(r'(?<!\r)\n', text) else '\r\n'
    lines = text.splitlines()
    head = next((i for i, l in enumerate(lines) if l.strip().lower() == '[%s]' % section.lower()), None)
    if head is None:
        lines += ['[%s]' % section]
        head = len(lines) - 1
    end = next((i for i in range(head + 1, len(lines)) if lines[i].lstrip().startswith('[')), len(lines))
    missing = dict(settings)
    for i in range(head + 1, end):
        key = lines[i].split('=', 1)[0].strip()
        match = next((k for k in missing if k.lower() == key.lower()), None)
        if match is not None and '=' in lines[i]:
            lines[i] = '%s=%s' % (match, missing.pop(match))
    lines[end:end] = ['%s=%s' % kv for kv in missing.items()]
    # Written beside and put in its place only when whole: a full disk leaves the old settings.
    target = os.path.realpath(path)
    temp = target + '.tune'
    try:
        with open(temp, 'wb') as f:
            f.write((brk.join(lines) + brk).encode('latin-1'))
        if os.path.exists(target):
            shutil.copymode(target, temp)
        os.replace(temp, target)
    except BaseException:
        if os.path.exists(temp):
            os.unlink(temp)
        raise


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


def main(make_signal, sent_text, settings, argv):
    """The command line both generators share: make, samples, sent, tune, feed."""
    cmd, args = (argv[1], argv[2:]) if len(argv) > 1 else ('', [])
    try:
        if cmd == 'make' and 1 <= len(args) <= 3:
            write_raw(args[0], make_signal(*(float(a) for a in args[1:])))
        elif cmd == 'samples' and 1 <= len(args) <= 3:
            write_samples(args[0], make_signal(*(float(a) for a in args[1:])))
        elif cmd == 'sent' and len(args) <= 1:
            sys.stdout.buffer.write(sent_text(*(float(a) for a in args)).encode('ascii'))
        elif cmd == 'tune' and len(args) == 1:
            tune(args[0], settings)
        elif cmd == 'feed' and len(args) == 2:
            feed(args[0], args[1])
        else:
            sys.exit(sys.modules['__main__'].__doc__)
    except KeyboardInterrupt:
        sys.exit(130)


if __name__ == '__main__':
    main(signal, broadcast, RTTY_SETTINGS, sys.argv)
