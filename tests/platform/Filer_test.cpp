// Streamed properties: a binary property travels whole, is skipped under another name and refused
// when its bytes are not all there.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <sys/mman.h>
#include <unistd.h>

#include "platform/Filer.h"

TEST(Filer, ABinaryPropertyComesBackWholeAndOnlyUnderItsName)
{
    TMemoryStream form;
    TWriter writer(&form);
    const std::string data("\x01\x00\xFF payload", 11);
    writer.DefineBinaryProperty("Data", nullptr, [&](TStream* S) { S->WriteBuffer(data.data(), Int64(data.size())); },
                                true);
    writer.DefineBinaryProperty("Skipped", nullptr, [](TStream*) { FAIL(); }, false);
    const std::vector<Byte> bytes = form.Bytes();

    auto read = [&](const std::string& Name, size_t Length) {
        TReadOnlyMemoryStream in(bytes.data(), Int64(Length));
        TReader reader(&in);
        std::string got = "none";
        reader.DefineBinaryProperty(
            Name,
            [&](TStream* S) {
                got.assign(size_t(S->Size()), '\0');
                S->ReadBuffer(got.data(), S->Size());
            },
            nullptr, true);
        return std::make_pair(got, in.Position());
    };
    EXPECT_EQ(read("Data", bytes.size()), std::make_pair(data, Int64(bytes.size())));
    EXPECT_EQ(read("Other", bytes.size()), std::make_pair(std::string("none"), Int64(0)));
    EXPECT_THROW(read("Data", bytes.size() - 1), EReadError);
}

TEST(Filer, ABinaryPropertyReadsOnlyABlockOfBytesUnderItsName)
{
    auto read = [](const std::vector<Byte>& Bytes) {
        TReadOnlyMemoryStream in(Bytes.data(), Int64(Bytes.size()));
        TReader reader(&in);
        size_t got = 0;
        reader.DefineBinaryProperty("Data", [&](TStream* S) { got = size_t(S->Size()); }, nullptr, true);
        return std::make_pair(got, in.Position());
    };
    // Every one of the four length bytes in use, and a block of one byte.
    for (const size_t size : {size_t(0x102'0304), size_t(1)}) {
        TMemoryStream form;
        TWriter writer(&form);
        const std::vector<Byte> block(size, 7);
        writer.DefineBinaryProperty(
            "Data", nullptr, [&](TStream* S) { S->WriteBuffer(block.data(), Int64(block.size())); }, true);
        EXPECT_EQ(read(form.Bytes()), std::make_pair(size, form.Size()));
    }
    // The end of a list stands next: nothing is read.
    EXPECT_EQ(read({0}), std::make_pair(size_t(0), Int64(0)));
    // The name holds an empty list, whose bytes would read as a block of none.
    TMemoryStream list;
    TWriter listWriter(&list);
    listWriter.DefineProperty("Data", nullptr, [](TWriter* W) {
        W->WriteListBegin();
        for (int i = 0; i < 4; ++i)
            W->WriteListEnd();
    }, true);
    EXPECT_THROW(read(list.Bytes()), EReadError);
    // Into a file the same bytes, with a property inside another's and a piece larger than a block;
    // onto a full disk, an error.
    auto write = [](TStream* S) {
        TWriter w(S);
        w.DefineProperty("Outer", nullptr, [](TWriter* W) {
            W->DefineProperty("Inner", nullptr, [](TWriter* I) { I->WriteString(std::string(70000, 's')); }, true);
        }, true);
        w.WriteBoolean(true);
    };
    TMemoryStream memory, file;
    write(&memory);
    const int fd = ::memfd_create("form", 0);
    TFileStream f("/proc/self/fd/" + std::to_string(fd), fmOpenReadWrite);
    ::close(fd);
    write(&f);
    file.LoadFromStream(&f);
    EXPECT_TRUE(file.Bytes() == memory.Bytes());
    TFileStream full("/dev/full", fmOpenWrite);
    EXPECT_THROW(write(&full), EWriteError);
}
