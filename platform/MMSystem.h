// Waveform sound input: open a capture device with a sample format and a callback, hand it buffers,
// start, stop, reset and close. Filled buffers come back in the order they were handed over, through
// the callback, on the device's own thread.
#pragma once

#include <cstdint>

#include "platform/Types.h"

using WORD = std::uint16_t;
using DWORD_PTR = std::uintptr_t;
using MMRESULT = UINT;

struct HWAVEIN__;
using HWAVEIN = HWAVEIN__*;
using LPHWAVEIN = HWAVEIN*;

// Result codes.
constexpr MMRESULT MMSYSERR_NOERROR = 0;
constexpr MMRESULT MMSYSERR_ERROR = 1;         // unspecified failure of the device
constexpr MMRESULT MMSYSERR_BADDEVICEID = 2;   // device number out of range
constexpr MMRESULT MMSYSERR_ALLOCATED = 4;     // device in use elsewhere
constexpr MMRESULT MMSYSERR_INVALHANDLE = 5;   // not an open device (or already closed)
constexpr MMRESULT MMSYSERR_NODRIVER = 6;      // no sound system or no device at all
constexpr MMRESULT MMSYSERR_NOMEM = 7;
constexpr MMRESULT MMSYSERR_INVALFLAG = 10;    // open flags other than the callback kinds below
constexpr MMRESULT MMSYSERR_INVALPARAM = 11;   // null pointer, short header, buffer under one sample
constexpr MMRESULT MMSYSERR_HANDLEBUSY = 12;   // closing from inside the device's own callback
constexpr MMRESULT WAVERR_BADFORMAT = 32;      // malformed format, or one the device cannot capture
constexpr MMRESULT WAVERR_STILLPLAYING = 33;   // header (or, at close, any header) still queued
constexpr MMRESULT WAVERR_UNPREPARED = 34;     // header handed over without being prepared

// Device number choosing the system's default capture device. Any number that is negative as a
// signed 32-bit value does the same.
constexpr UINT WAVE_MAPPER = 0xFFFFFFFFu;

constexpr WORD WAVE_FORMAT_PCM = 1;

// Kinds of callback for waveInOpen's flags. With CALLBACK_NULL the caller polls WHDR_DONE.
constexpr DWORD CALLBACK_NULL = 0x00000000;
constexpr DWORD CALLBACK_FUNCTION = 0x00030000;

// Callback messages; for WIM_DATA, parameter 1 is the returned header (LPWAVEHDR).
constexpr UINT WIM_OPEN = 0x3BE;
constexpr UINT WIM_CLOSE = 0x3BF;
constexpr UINT WIM_DATA = 0x3C0;
// The layer's own, after WIM_OPEN: the device stopped delivering while started (its sound server
// stopped, its card went away), after the buffer being filled came back with what it held; and it
// delivers again. In between the device tries to open itself anew about every half second, the
// buffers handed over stay queued, and stop, reset and close work as ever.
constexpr UINT WIM_DEVICELOST = 0x3F0;
constexpr UINT WIM_DEVICEBACK = 0x3F1;

// Header flags.
constexpr DWORD WHDR_DONE = 0x01;
constexpr DWORD WHDR_PREPARED = 0x02;
constexpr DWORD WHDR_INQUEUE = 0x10;

struct WAVEFORMATEX {
    WORD wFormatTag = 0;
    WORD nChannels = 0;
    DWORD nSamplesPerSec = 0;
    DWORD nAvgBytesPerSec = 0;  // must be nSamplesPerSec * nBlockAlign
    WORD nBlockAlign = 0;       // must be nChannels * wBitsPerSample / 8
    WORD wBitsPerSample = 0;    // 8 (unsigned) or 16 (signed, little-endian)
    WORD cbSize = 0;
};
using LPCWAVEFORMATEX = const WAVEFORMATEX*;

struct WAVEHDR {
    char* lpData = nullptr;
    DWORD dwBufferLength = 0;   // bytes
    DWORD dwBytesRecorded = 0;  // bytes filled when the header comes back
    DWORD_PTR dwUser = 0;       // the caller's own
    DWORD dwFlags = 0;          // WHDR_*
    DWORD dwLoops = 0;
    WAVEHDR* lpNext = nullptr;
    DWORD_PTR reserved = 0;
};
using LPWAVEHDR = WAVEHDR*;

// hwi, message, the instance value given to waveInOpen, parameter 1, parameter 2.
using WAVEINPROC = void (*)(HWAVEIN, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR);

// Number of capture devices; they are numbered 0 .. count - 1.
UINT waveInGetNumDevs();

// Longer than the system's 32: a sound system's device names carry the card and the device.
constexpr UINT MAXPNAMELEN = 128;

struct WAVEINCAPS {
    char szPname[MAXPNAMELEN] = {};  // the device's name, cut to fit, NUL-terminated
    WORD wChannels = 0;              // the most it records at once
};
using LPWAVEINCAPS = WAVEINCAPS*;

// What capture device uDeviceID (WAVE_MAPPER: the default) is; MMSYSERR_BADDEVICEID past the last.
MMRESULT waveInGetDevCaps(UINT uDeviceID, LPWAVEINCAPS pwic, UINT cbwic);

// Opens device uDeviceID (or the default, see WAVE_MAPPER) for the format. fdwOpen is CALLBACK_NULL
// or CALLBACK_FUNCTION with dwCallback a WAVEINPROC. WIM_OPEN reaches the callback before this
// returns. On failure *phwi is null and nothing is left open.
MMRESULT waveInOpen(LPHWAVEIN phwi, UINT uDeviceID, LPCWAVEFORMATEX pwfx, DWORD_PTR dwCallback,
                    DWORD_PTR dwInstance, DWORD fdwOpen);
inline MMRESULT waveInOpen(LPHWAVEIN phwi, UINT uDeviceID, LPCWAVEFORMATEX pwfx, WAVEINPROC proc,
                           DWORD_PTR dwInstance)
{
    return waveInOpen(phwi, uDeviceID, pwfx, reinterpret_cast<DWORD_PTR>(proc), dwInstance,
                      CALLBACK_FUNCTION);
}

MMRESULT waveInPrepareHeader(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh);
// Refused with WAVERR_STILLPLAYING while the header is queued.
MMRESULT waveInUnprepareHeader(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh);
// Queues the header behind those already handed over; clears WHDR_DONE and dwBytesRecorded.
// May be called from the callback.
MMRESULT waveInAddBuffer(HWAVEIN hwi, LPWAVEHDR pwh, UINT cbwh);

// Start, stop and reset return once the device has done them; the buffers they give back have been
// through the callback by then. From inside the callback they act at once.
MMRESULT waveInStart(HWAVEIN hwi);
// Gives back the buffer being filled, if it holds anything; empty queued buffers stay queued.
MMRESULT waveInStop(HWAVEIN hwi);
// Stops and gives back every queued buffer, in order, each marked done.
MMRESULT waveInReset(HWAVEIN hwi);
// Refused with WAVERR_STILLPLAYING while buffers are queued (reset first), and with
// MMSYSERR_HANDLEBUSY from inside the callback. WIM_CLOSE reaches the callback before this returns.
MMRESULT waveInClose(HWAVEIN hwi);

// ---------------------------------------------------------------- wave-sound player
// One sound at a time per program, on the default output device. Only the ANSI entry point exists:
// the plain name PlaySound belongs to the control library's wrapper around it.

using HMODULE = void*;
using LPCSTR = const char*;

constexpr DWORD SND_SYNC = 0x0000;         // return when the sound has ended
constexpr DWORD SND_ASYNC = 0x0001;        // return once it has started; it plays on its own thread
constexpr DWORD SND_NODEFAULT = 0x0002;    // there is no default sound here, so this changes nothing
constexpr DWORD SND_MEMORY = 0x0004;       // the name points at a whole RIFF image in memory
constexpr DWORD SND_LOOP = 0x0008;         // repeat until stopped; only together with SND_ASYNC
constexpr DWORD SND_NOSTOP = 0x0010;       // fail instead of ending a sound that is still playing
constexpr DWORD SND_PURGE = 0x0040;        // stop the sound playing (whatever the name)
constexpr DWORD SND_APPLICATION = 0x0080;
constexpr DWORD SND_NOWAIT = 0x2000;
constexpr DWORD SND_ALIAS = 0x00010000;    // a system sound name: none are available here
constexpr DWORD SND_FILENAME = 0x00020000; // the name is a file name (also the meaning without a flag)
constexpr DWORD SND_RESOURCE = 0x00040004; // a module resource: none are available here
constexpr DWORD SND_ALIAS_ID = 0x00110000;

// Plays a RIFF WAVE file (or image) of PCM samples: 8-bit unsigned or 16-bit signed, mono or stereo,
// at any rate the output device takes. A null name, or SND_PURGE, stops the sound playing and answers
// true. A new sound ends the one playing, unless SND_NOSTOP. Answers false, leaving any sound playing
// as it was, when the file is missing, larger than 256 MiB, malformed or of another format; and false
// when there is no output device or it refuses the format. With SND_SYNC the answer comes after the
// sound has ended or been stopped by another call; it is false when the device failed meanwhile.
// File names may be written Windows-style ('\' delimiters).
BOOL PlaySoundA(LPCSTR pszSound, HMODULE hmod, DWORD fdwSound);
