// Broadcast messages in the received stream: "ZCZC" ... "NNNN" cut out byte by byte, weather
// reports in SYNOP layout recognised, and each message appended to a file named by the local
// time of its saving.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/SysUtils.h"

namespace rx {

inline constexpr const char* kMessageDir = "Messages";
// A message that never ends (a stream that never sends "NNNN") is saved as it stands at this
// length, and the detector waits for the next "ZCZC" (the raw log has the rest). Real bulletins
// stay far below it; at 100 Bd it takes over three days of text without a break to reach.
constexpr std::size_t kMaxMessageBytes = std::size_t{4} << 20;
// Told at the end of the run, followed by the files of the messages that still could not be
// saved, at most this many files by name.
inline constexpr const char* kUnsavedMessagesText = "These received messages could not be saved:";
constexpr std::size_t kUnsavedMessagesNamed = 20;

// 0 when text has the SYNOP layout, otherwise the number (1..10) of the first test it fails.
int IsSynopMessage(const std::string& text);

class TMessageDetector {
public:
    enum TEvent {
        None,
        Started,    // "ZCZC" seen while idle
        Ended,      // "NNNN" (or the length limit) ended the message: it is in Completed
        Restarted,  // "ZCZC" again: the unfinished message is in Completed, a new one begun
    };
    TEvent Feed(char b);
    bool InMessage() const { return FInMessage; }
    // The stream breaks off (another mode was chosen): a message being collected goes to Completed
    // as it stands, and true is returned; no byte seen so far takes part in the next match.
    bool Cut();

    std::uint32_t DetectWindow = 0;  // the last four bytes, the newest lowest
    std::string MessageText;
    std::string Completed;
    std::size_t Limit = kMaxMessageBytes;

private:
    bool FInMessage = false;
};

// A message waiting to be saved, with the time that names its file; Told once the user heard
// that its file could not be written.
struct TPendingMessage {
    TSystemTime Time;
    std::string Text;
    bool Told = false;
};

// "Messages/yymmdd-hhmmss.TXT" and the bare "yymmdd-hhmmss.TXT" of a local time.
std::string MessageFileName(const TSystemTime& t);
std::string MessageShortName(const TSystemTime& t);

enum class TMessageWrite { Saved, OpenFailed, WriteFailed };
// Appends text in pieces of at most 8192 bytes and puts it on the disk. A write that fails cuts
// the file back to what it held before, so no half message stays behind it, and takes away a file
// it made.
TMessageWrite AppendMessageFile(const std::string& FileName, const std::string& text);

}  // namespace rx
