// A stand-in sound device for the window's tests: it fails where a test asks it to, keeps the
// buffers handed to it in a queue, and gives them back through the callback when the test
// delivers them (on the test's thread, which stands for the driver's).
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "receiver/SoundInput.h"

namespace fakewave {

struct TState {
    // What the device does.
    UINT Devices = 1;
    MMRESULT OpenResult = MMSYSERR_NOERROR;
    int FailPrepareAt = -1;  // the n-th prepare (from 0) fails
    int FailAddAt = -1;      // the n-th hand-over (from 0, over the whole run) fails
    MMRESULT FailResult = MMSYSERR_NOMEM;
    MMRESULT StartResult = MMSYSERR_NOERROR;
    bool KeepBuffers = false;  // stop and reset give nothing back

    // What was asked of it.
    std::vector<std::string> Calls;  // "open", "prepare", "add", "start", "stop", "reset", "unprepare", "close"
    bool IsOpen = false;
    int Adds = 0;
    int Prepares = 0;
    std::deque<WAVEHDR*> Queue;
    WAVEINPROC Callback = nullptr;
    DWORD_PTR Instance = 0;
    std::function<void()> OnOpen;
    std::function<void()> OnStart;  // the device may deliver before the start returns

    int Count(const std::string& call) const;
};

extern TState State;
extern const rx::TWaveInApi Api;

// A fresh device.
void Reset();
// Gives back the first n queued buffers, filled by fill (silence when empty), through the
// callback; returns how many there were.
int Deliver(int n, const std::function<void(std::int16_t* samples, int count)>& fill = {});
// Gives back the first queued buffer holding only its first count samples (the rest keeps what the
// buffer held before), as a device that goes away while filling it does.
bool DeliverPart(int count, std::int16_t value);
// The device goes away, or comes back, as the platform's device tells it.
void Lose();
void ComeBack();

}  // namespace fakewave
