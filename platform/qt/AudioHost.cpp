#include "platform/qt/AudioHost.h"

#include <portaudio.h>

#include <dlfcn.h>

namespace {

// The sound libraries report every device they probe and fail on stderr; the failures are expected
// (no such card, no sound server) and the callers get error codes instead. Their hooks are looked up
// at run time so that no further headers or link dependencies are needed.
void quietAlsa(const char*, int, const char*, int, const char*, ...) {}
void quietJack(const char*) {}

void quietSoundLibraries()
{
    static std::once_flag once;
    std::call_once(once, [] {
        using AlsaHandler = void (*)(const char*, int, const char*, int, const char*, ...);
        using JackHandler = void (*)(const char*);
        if (void* f = dlsym(RTLD_DEFAULT, "snd_lib_error_set_handler"))
            reinterpret_cast<int (*)(AlsaHandler)>(f)(quietAlsa);
        for (const char* name : {"jack_set_error_function", "jack_set_info_function"})
            if (void* f = dlsym(RTLD_DEFAULT, name))
                reinterpret_cast<void (*)(JackHandler)>(f)(quietJack);
    });
}

}  // namespace

namespace platform_detail {

std::mutex& audioLock()
{
    static auto* m = new std::mutex;
    return *m;
}

bool initAudio()
{
    quietSoundLibraries();
    return Pa_Initialize() == paNoError;
}

}  // namespace platform_detail
