// Streamed properties: a component's data that is not a plain property (a memo's text, say) is
// written and read as named properties of values (lists and strings) by a writer and a reader.
#pragma once

#include <functional>
#include <string>

#include "platform/Classes.h"

class TReader;
class TWriter;

using TReaderProc = std::function<void(TReader* Reader)>;
using TWriterProc = std::function<void(TWriter* Writer)>;
// A binary property's data: the writer's procedure fills a stream, the reader's gets a stream that
// holds exactly the property's bytes, positioned at its start.
using TStreamProc = std::function<void(TStream* Stream)>;

class TFiler : public TObject {
public:
    explicit TFiler(TStream* Stream) : FStream(Stream) {}
    // Offers one named property: a writer writes it when HasData, a reader reads it when it
    // stands next in the stream.
    virtual void DefineProperty(const std::string& Name, const TReaderProc& ReadData, const TWriterProc& WriteData,
                                bool HasData) = 0;
    // The same for a block of bytes of the object's own format.
    virtual void DefineBinaryProperty(const std::string& Name, const TStreamProc& ReadData,
                                      const TStreamProc& WriteData, bool HasData) = 0;

protected:
    TStream* FStream;
};

class TWriter : public TFiler {
public:
    using TFiler::TFiler;
    void DefineProperty(const std::string& Name, const TReaderProc& ReadData, const TWriterProc& WriteData,
                        bool HasData) override;
    void DefineBinaryProperty(const std::string& Name, const TStreamProc& ReadData, const TStreamProc& WriteData,
                              bool HasData) override;
    void WriteListBegin();
    void WriteListEnd();
    void WriteString(const std::string& Value);
    // In the fewest bytes that hold the value (8, 16 or 32 bits).
    void WriteInteger(Integer Value);
    void WriteBoolean(bool Value);
};

class TReader : public TFiler {
public:
    using TFiler::TFiler;
    void DefineProperty(const std::string& Name, const TReaderProc& ReadData, const TWriterProc& WriteData,
                        bool HasData) override;
    // A block longer than the rest of the stream raises EReadError before ReadData runs.
    void DefineBinaryProperty(const std::string& Name, const TStreamProc& ReadData, const TStreamProc& WriteData,
                              bool HasData) override;
    void ReadListBegin();
    void ReadListEnd();
    bool EndOfList();
    std::string ReadString();
    // Any width of integer; anything else raises EReadError.
    Integer ReadInteger();
    bool ReadBoolean();

private:
    int PeekTag();
};
