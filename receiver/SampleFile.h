// Recorded sound as a text file of samples, one signed decimal number per line, taken as 11025
// samples per second and fed block by block through the same processing as live sound.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace rx {

class TRxSignalPath;

// The texts the window shows, in a message box captioned kFileErrorCaption.
inline constexpr const char* kFileOpenErrorText = "File Open Error!";
inline constexpr const char* kFileReadErrorText = "File Read Error!";
inline constexpr const char* kFileErrorCaption = "File Error";

class TSampleFileReader {
public:
    enum class TBlock {
        Full,    // a whole block; more may follow
        Last,    // the end came in this block: the rest of it is zeros, and nothing follows
        Failed,  // the file could not be read on; the block is not to be used
    };

    TSampleFileReader() = default;
    TSampleFileReader(const TSampleFileReader&) = delete;
    TSampleFileReader& operator=(const TSampleFileReader&) = delete;
    ~TSampleFileReader() { Close(); }

    // False when the file cannot be opened for reading (missing, a directory, not permitted).
    bool Open(const std::string& fileName);
    void Close();

    // The next kBlockSize samples. A line gives the number at its start as C's atoi reads it
    // (leading blanks, a sign, digits; anything else ends it, so a line that is not a number
    // gives 0), cut to its low 16 bits. Every line is one sample, a last line without a line
    // break included.
    TBlock ReadBlock(std::int16_t* block);

private:
    bool NextSample(std::int16_t& sample);
    bool Fill();

    static constexpr std::size_t kBufferSize = 1 << 16;
    int Fd = -1;
    bool AtEnd = false;
    bool ReadFailed = false;
    std::size_t Pos = 0;
    std::size_t Len = 0;
    char Buffer[kBufferSize];
};

enum class TFileDecodeResult { Done, OpenFailed, ReadFailed };

// "Decode From File" without the window: every block of the file, the last one padded, through
// path.ProcessSoundBuffer with the from-file flag; afterBlock (may be empty) runs after each one.
// On ReadFailed the blocks before the failure have been processed.
TFileDecodeResult DecodeSampleFile(const std::string& fileName, TRxSignalPath& path,
                                   const std::function<void()>& afterBlock = {});

}  // namespace rx
