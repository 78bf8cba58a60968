// A sound server of the test's own, for sound that goes away while it is recorded: a PulseAudio
// daemon running in a folder of the test's, whose default source plays what the test writes into
// a pipe, and an ALSA configuration whose default capture device records from that server.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace pulsetest {

class TPulseServer {
public:
    // dir: an empty folder of the test's; the server's socket, pipe and configuration go there.
    explicit TPulseServer(std::string dir);
    ~TPulseServer();
    TPulseServer(const TPulseServer&) = delete;
    TPulseServer& operator=(const TPulseServer&) = delete;

    // The daemon and the ALSA plugin that speaks to it are installed.
    static bool Available();
    // The ALSA configuration file to name in ALSA_CONFIG_PATH before anything opens a device.
    std::string AlsaConfig() const { return Dir + "/asound.conf"; }
    // Ends a test's own process without running destructors (its sound threads still run):
    // stops the server and removes its folder first, which nothing else would.
    [[noreturn]] void ExitRemovingFolder(int code);

    // Starts the server (again) and waits until its source reads what is fed; false when it is
    // not up within a minute. The server dies with the thread that started it, so a test process
    // that ends early (a death test's _Exit) leaves none behind.
    bool Start();
    // The server goes away, as when its user stops it; what is still being fed is dropped.
    void Stop();
    bool Running() const { return Pid > 0; }

    // Plays samples (11025 per second, mono) into the source at real speed, over and over until
    // the next Feed, StopFeed or Stop, from a thread of its own: whenever a device records, it
    // hears them, however late it started on a busy machine.
    void Feed(std::vector<std::int16_t> samples);
    void StopFeed();

private:
    std::string Dir;
    pid_t Pid = -1;
    std::thread Feeder;
    std::atomic<bool> StopFeeding{false};
};

}  // namespace pulsetest
