#include "tests/receiver/FakeWaveIn.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace fakewave {

TState State;

namespace {

HWAVEIN const kHandle = reinterpret_cast<HWAVEIN>(0x5157);

void GiveBack(WAVEHDR* h)
{
    h->dwFlags = (h->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
    if (State.Callback)
        State.Callback(kHandle, WIM_DATA, State.Instance, reinterpret_cast<DWORD_PTR>(h), 0);
}

UINT GetNumDevs() { return State.Devices; }

MMRESULT Open(LPHWAVEIN phwi, UINT, LPCWAVEFORMATEX, DWORD_PTR cb, DWORD_PTR inst, DWORD)
{
    State.Calls.push_back("open");
    if (State.OnOpen)
        State.OnOpen();
    if (State.OpenResult != MMSYSERR_NOERROR) {
        *phwi = nullptr;
        return State.OpenResult;
    }
    State.IsOpen = true;
    State.Callback = reinterpret_cast<WAVEINPROC>(cb);
    State.Instance = inst;
    *phwi = kHandle;
    return MMSYSERR_NOERROR;
}

MMRESULT Prepare(HWAVEIN, LPWAVEHDR h, UINT)
{
    State.Calls.push_back("prepare");
    if (State.Prepares++ == State.FailPrepareAt)
        return State.FailResult;
    h->dwFlags = WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT Unprepare(HWAVEIN, LPWAVEHDR h, UINT)
{
    State.Calls.push_back("unprepare");
    if (std::find(State.Queue.begin(), State.Queue.end(), h) != State.Queue.end())
        return WAVERR_STILLPLAYING;
    h->dwFlags &= ~WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT Add(HWAVEIN, LPWAVEHDR h, UINT)
{
    State.Calls.push_back("add");
    if (State.Adds++ == State.FailAddAt)
        return State.FailResult;
    if (!(h->dwFlags & WHDR_PREPARED))
        return WAVERR_UNPREPARED;
    h->dwFlags = (h->dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
    h->dwBytesRecorded = 0;
    State.Queue.push_back(h);
    return MMSYSERR_NOERROR;
}

MMRESULT Start(HWAVEIN)
{
    State.Calls.push_back("start");
    if (State.OnStart)
        State.OnStart();
    return State.StartResult;
}

MMRESULT Stop(HWAVEIN)
{
    State.Calls.push_back("stop");
    return MMSYSERR_NOERROR;
}

MMRESULT ResetDevice(HWAVEIN)
{
    State.Calls.push_back("reset");
    if (!State.KeepBuffers)
        Deliver(static_cast<int>(State.Queue.size()));
    return MMSYSERR_NOERROR;
}

MMRESULT Close(HWAVEIN)
{
    State.Calls.push_back("close");
    if (!State.Queue.empty())
        return WAVERR_STILLPLAYING;
    State.IsOpen = false;
    return MMSYSERR_NOERROR;
}

MMRESULT GetDevCaps(UINT id, LPWAVEINCAPS caps, UINT)
{
    std::snprintf(caps->szPname, sizeof caps->szPname, "Stand-in %u", id);
    return id < State.Devices ? MMSYSERR_NOERROR : MMSYSERR_BADDEVICEID;
}

}  // namespace

const rx::TWaveInApi Api{&GetNumDevs, &Open, &Prepare, &Unprepare, &Add, &Start, &Stop, &ResetDevice, &Close, &GetDevCaps};

int TState::Count(const std::string& call) const
{
    return static_cast<int>(std::count(Calls.begin(), Calls.end(), call));
}

void Reset()
{
    State = TState();
}

int Deliver(int n, const std::function<void(std::int16_t*, int)>& fill)
{
    int given = 0;
    for (; given < n && !State.Queue.empty(); ++given) {
        WAVEHDR* h = State.Queue.front();
        State.Queue.pop_front();
        auto* samples = reinterpret_cast<std::int16_t*>(h->lpData);
        const int count = static_cast<int>(h->dwBufferLength / 2);
        if (fill)
            fill(samples, count);
        else
            std::memset(samples, 0, h->dwBufferLength);
        h->dwBytesRecorded = h->dwBufferLength;
        GiveBack(h);
    }
    return given;
}

bool DeliverPart(int count, std::int16_t value)
{
    if (State.Queue.empty())
        return false;
    WAVEHDR* h = State.Queue.front();
    State.Queue.pop_front();
    auto* samples = reinterpret_cast<std::int16_t*>(h->lpData);
    std::fill(samples, samples + count, value);
    h->dwBytesRecorded = static_cast<DWORD>(count * 2);
    GiveBack(h);
    return true;
}

void Lose()
{
    if (State.Callback)
        State.Callback(kHandle, WIM_DEVICELOST, State.Instance, 0, 0);
}

void ComeBack()
{
    if (State.Callback)
        State.Callback(kHandle, WIM_DEVICEBACK, State.Instance, 0, 0);
}

}  // namespace fakewave
