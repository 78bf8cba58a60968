// Shared by the sound input and the sound player: the one lock around the audio library and its
// start-up with the sound libraries' stderr chatter silenced. Included by platform/*.cpp only.
#pragma once

#include <mutex>

namespace platform_detail {

// Every audio-library call but a blocking read or write holds this; it is never held while taking
// another lock or while a callback runs.
std::mutex& audioLock();

// Takes one reference to the audio library (Pa_Terminate gives it back); the caller holds audioLock().
bool initAudio();

}  // namespace platform_detail
