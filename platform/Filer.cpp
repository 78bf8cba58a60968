#include "platform/Filer.h"

#include <cstdint>
#include <vector>

#include "platform/SysUtils.h"

namespace {

// Value tags.
constexpr Byte vaNull = 0;  // the end of a list
constexpr Byte vaList = 1;
constexpr Byte vaInt8 = 2;
constexpr Byte vaInt16 = 3;
constexpr Byte vaInt32 = 4;
constexpr Byte vaString = 6;    // a length byte follows
constexpr Byte vaFalse = 8;
constexpr Byte vaTrue = 9;
constexpr Byte vaBinary = 10;   // a 32-bit little-endian length and the bytes follow
constexpr Byte vaLString = 12;  // a 32-bit little-endian length follows

void WriteTaggedString(TStream* S, const std::string& V)
{
    if (V.size() <= 255) {
        const Byte head[2] = {vaString, static_cast<Byte>(V.size())};
        S->WriteBuffer(head, 2);
    } else {
        const auto n = static_cast<std::uint32_t>(V.size());
        const Byte head[5] = {vaLString, Byte(n), Byte(n >> 8), Byte(n >> 16), Byte(n >> 24)};
        S->WriteBuffer(head, 5);
    }
    if (!V.empty()) S->WriteBuffer(V.data(), static_cast<Int64>(V.size()));
}

}  // namespace

void TWriter::DefineProperty(const std::string& Name, const TReaderProc&, const TWriterProc& WriteData, bool HasData)
{
    if (!HasData || !WriteData) return;
    // A property's values are written a tag and a value at a time.
    TGatheredWrites gathered(FStream);
    WriteTaggedString(FStream, Name);
    WriteData(this);
    gathered.Finish();
}

void TWriter::DefineBinaryProperty(const std::string& Name, const TStreamProc&, const TStreamProc& WriteData,
                                   bool HasData)
{
    if (!HasData || !WriteData) return;
    TMemoryStream data;
    WriteData(&data);
    TGatheredWrites gathered(FStream);
    WriteTaggedString(FStream, Name);
    const auto n = static_cast<std::uint32_t>(data.Size());
    const Byte head[5] = {vaBinary, Byte(n), Byte(n >> 8), Byte(n >> 16), Byte(n >> 24)};
    FStream->WriteBuffer(head, 5);
    if (n > 0) FStream->WriteBuffer(data.Memory(), n);
    gathered.Finish();
}

void TWriter::WriteListBegin() { FStream->WriteBuffer(&vaList, 1); }
void TWriter::WriteListEnd() { FStream->WriteBuffer(&vaNull, 1); }
void TWriter::WriteString(const std::string& Value) { WriteTaggedString(FStream, Value); }

void TWriter::WriteInteger(Integer Value)
{
    const auto u = static_cast<std::uint32_t>(Value);
    if (Value >= -128 && Value <= 127) {
        const Byte b[2] = {vaInt8, Byte(u)};
        FStream->WriteBuffer(b, 2);
    } else if (Value >= -32768 && Value <= 32767) {
        const Byte b[3] = {vaInt16, Byte(u), Byte(u >> 8)};
        FStream->WriteBuffer(b, 3);
    } else {
        const Byte b[5] = {vaInt32, Byte(u), Byte(u >> 8), Byte(u >> 16), Byte(u >> 24)};
        FStream->WriteBuffer(b, 5);
    }
}

void TWriter::WriteBoolean(bool Value)
{
    const Byte b = Value ? vaTrue : vaFalse;
    FStream->WriteBuffer(&b, 1);
}

int TReader::PeekTag()
{
    Byte b = 0;
    if (FStream->Read(&b, 1) != 1) return -1;
    FStream->SetPosition(FStream->Position() - 1);
    return b;
}

void TReader::DefineProperty(const std::string& Name, const TReaderProc& ReadData, const TWriterProc&, bool)
{
    const Int64 at = FStream->Position();
    const int tag = PeekTag();
    if (tag != vaString && tag != vaLString) return;
    if (ReadString() != Name || !ReadData) {
        FStream->SetPosition(at);
        return;
    }
    ReadData(this);
}

void TReader::DefineBinaryProperty(const std::string& Name, const TStreamProc& ReadData, const TStreamProc&, bool)
{
    const Int64 at = FStream->Position();
    const int tag = PeekTag();
    if (tag != vaString && tag != vaLString) return;
    if (ReadString() != Name || !ReadData) {
        FStream->SetPosition(at);
        return;
    }
    Byte head[5] = {};
    FStream->ReadBuffer(head, 5);
    if (head[0] != vaBinary) throw EReadError("Invalid property value");
    const Int64 n = head[1] | (head[2] << 8) | (head[3] << 16) | (Int64(head[4]) << 24);
    if (n > FStream->Size() - FStream->Position()) throw EReadError(SysMsg::ReadError);
    std::vector<Byte> bytes(static_cast<size_t>(n));
    if (n > 0) FStream->ReadBuffer(bytes.data(), n);
    TReadOnlyMemoryStream data(bytes.data(), n);
    ReadData(&data);
}

void TReader::ReadListBegin()
{
    Byte b = 0;
    FStream->ReadBuffer(&b, 1);
    if (b != vaList) throw EReadError("Invalid property value");
}

void TReader::ReadListEnd()
{
    Byte b = 0;
    FStream->ReadBuffer(&b, 1);
    if (b != vaNull) throw EReadError("Invalid property value");
}

bool TReader::EndOfList() { return PeekTag() == vaNull; }

std::string TReader::ReadString()
{
    Byte tag = 0;
    FStream->ReadBuffer(&tag, 1);
    std::uint32_t n = 0;
    if (tag == vaString) {
        Byte b = 0;
        FStream->ReadBuffer(&b, 1);
        n = b;
    } else if (tag == vaLString) {
        Byte b[4] = {};
        FStream->ReadBuffer(b, 4);
        n = b[0] | (b[1] << 8) | (b[2] << 16) | (std::uint32_t(b[3]) << 24);
    } else {
        throw EReadError("Invalid property value");
    }
    std::string s(n, '\0');
    if (n > 0) FStream->ReadBuffer(s.data(), n);
    return s;
}

Integer TReader::ReadInteger()
{
    Byte tag = 0;
    FStream->ReadBuffer(&tag, 1);
    Byte b[4] = {};
    switch (tag) {
    case vaInt8:
        FStream->ReadBuffer(b, 1);
        return static_cast<std::int8_t>(b[0]);
    case vaInt16:
        FStream->ReadBuffer(b, 2);
        return static_cast<std::int16_t>(b[0] | (b[1] << 8));
    case vaInt32:
        FStream->ReadBuffer(b, 4);
        return static_cast<Integer>(b[0] | (b[1] << 8) | (b[2] << 16) | (std::uint32_t(b[3]) << 24));
    default:
        throw EReadError("Invalid property value");
    }
}

bool TReader::ReadBoolean()
{
    Byte tag = 0;
    FStream->ReadBuffer(&tag, 1);
    if (tag == vaTrue) return true;
    if (tag == vaFalse) return false;
    throw EReadError("Invalid property value");
}
