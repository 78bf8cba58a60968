// The settings store's binary form: its records written and read.
#include "ctlbase/Exini.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <unordered_map>

#include "ctlbase/Exiniparts.h"
#include "ctlbase/Exlist.h"
#include "ctlbase/Exobjlist.h"
#include "ctlbase/Exstrutils.h"
#include "ctlbase/Extools.h"
#include "platform/FileUtils.h"
#include "platform/Graphics.h"
#include "platform/TypInfo.h"

using namespace exini;

namespace {

constexpr const char* BadData = "Damaged settings data at offset %d.";

// ---------------------------------------------------------------- little-endian fields

void PutInt32(TStream* S, Integer V)
{
    const auto u = static_cast<std::uint32_t>(V);
    const Byte b[4] = {static_cast<Byte>(u), static_cast<Byte>(u >> 8), static_cast<Byte>(u >> 16),
                       static_cast<Byte>(u >> 24)};
    S->WriteBuffer(b, 4);
}

void PutByte(TStream* S, Byte V)
{
    S->WriteBuffer(&V, 1);
}

void PutString(TStream* S, const std::string& V)
{
    if (!WriteStringToStream(S, V)) throw EWriteError(SysMsg::WriteError);
}

// Reads the binary form out of memory; every length is checked against what is left.
class BinReader {
public:
    explicit BinReader(const std::string& D) : FData(D) {}
    size_t Left() const { return FData.size() - FPos; }
    size_t Pos() const { return FPos; }
    [[noreturn]] void Bad() const { throw EExIniError(Format(BadData, static_cast<int>(FPos))); }
    void Need(size_t N) const
    {
        if (N > Left()) Bad();
    }
    Byte U8()
    {
        Need(1);
        return static_cast<Byte>(FData[FPos++]);
    }
    Integer I32()
    {
        Need(4);
        std::uint32_t u = 0;
        for (int i = 0; i < 4; ++i) u |= static_cast<std::uint32_t>(static_cast<Byte>(FData[FPos + i])) << (8 * i);
        FPos += 4;
        return static_cast<Integer>(u);
    }
    // A length-prefixed string that must end by Limit.
    std::string Str(size_t Limit)
    {
        const Integer len = I32();
        if (len < 0 || static_cast<size_t>(len) > Left() || FPos + static_cast<size_t>(len) > Limit) Bad();
        std::string s = FData.substr(FPos, static_cast<size_t>(len));
        FPos += static_cast<size_t>(len);
        return s;
    }
    std::string Str() { return Str(FData.size()); }
    void Bytes(void* Out, size_t N)
    {
        Need(N);
        if (N > 0) std::memcpy(Out, FData.data() + FPos, N);
        FPos += N;
    }
    void Skip(size_t N)
    {
        Need(N);
        FPos += N;
    }

private:
    const std::string& FData;
    size_t FPos = 0;
};
}  // namespace

// ---------------------------------------------------------------- the binary form

void TExIniFile::WriteBinaryForm(TStream* Stream)
{
    // The records' fields reach the stream in blocks.
    TGatheredWrites gathered(Stream);
    // Records go out in the order of the children, so that keys and values come back in the order
    // they had among each other: a value after a sub-key opens its key again first.
    std::function<void(const TExIniEntry*, const std::string&)> key = [&](const TExIniEntry* K,
                                                                            const std::string& Path) {
        PutByte(Stream, 1);
        PutString(Stream, Path);
        bool open = true;
        for (Integer i = 0; i < K->GetSubCount(); ++i) {
            const TExIniEntry* e = K->Child(i);
            if (!IsValue(e) || e->ValueType == evtUnknown) {
                if (e->IsKey) {
                    key(e, Path.empty() ? e->Name() : Path + FDelimiter + e->Name());
                    open = false;
                }
                continue;
            }
            if (!open) {
                PutByte(Stream, 1);
                PutString(Stream, Path);
                open = true;
            }
            PutByte(Stream, 0);
            PutString(Stream, e->Name());
            PutByte(Stream, static_cast<Byte>(e->ValueType));
            switch (e->ValueType) {
            case evtBoolean:
                PutInt32(Stream, 1);
                PutByte(Stream, e->BoolValue ? 1 : 0);
                break;
            case evtInt:
                PutInt32(Stream, 4);
                PutInt32(Stream, e->IntValue);
                break;
            case evtString:
                PutInt32(Stream, static_cast<Integer>(e->StrValue.size() + 4));
                PutString(Stream, e->StrValue);
                break;
            case evtMultiString: {
                Int64 size = 0;
                const int n = e->MultiValue ? e->MultiValue->Count() : 0;
                for (int j = 0; j < n; ++j) size += static_cast<Int64>(e->MultiValue->Get(j).size()) + 4;
                PutInt32(Stream, static_cast<Integer>(size));
                for (int j = 0; j < n; ++j) PutString(Stream, e->MultiValue->Get(j));
                break;
            }
            case evtBinary:
                PutInt32(Stream, static_cast<Integer>(e->BinValue.size() + 4));
                PutInt32(Stream, static_cast<Integer>(e->BinValue.size()));
                if (!e->BinValue.empty()) Stream->WriteBuffer(e->BinValue.data(), static_cast<Int64>(e->BinValue.size()));
                break;
            case evtDouble:
                PutInt32(Stream, 8);
                Stream->WriteBuffer(&e->DoubleValue, 8);
                break;
            default: break;
            }
            if (e->IsKey) {
                key(e, Path.empty() ? e->Name() : Path + FDelimiter + e->Name());
                open = false;
            }
        }
    };
    key(FRoot.get(), "");
    gathered.Finish();
}

void TExIniFile::LoadBinaryForm(const std::string& Data)
{
    BinReader r(Data);
    bool skip = false;
    while (r.Left() > 0) {
        const Byte kind = r.U8();
        if (kind == 1) {
            std::string path = r.Str();
            // In flat mode a key's name may itself begin with the delimiter: the path is always
            // below the root then.
            if (path.empty() || path[0] != FDelimiter || FSimple) path.insert(path.begin(), FDelimiter);
            skip = !OpenKey(path, true);
            continue;
        }
        if (kind != 0) r.Bad();
        const std::string name = r.Str();
        const Byte type = r.U8();
        const Integer size = r.I32();
        if (size < 0) r.Bad();
        r.Need(static_cast<size_t>(size));
        const size_t end = r.Pos() + static_cast<size_t>(size);
        // Values of keys that cannot be opened, values without a name and types this store does not
        // know are passed over.
        if (skip || NoName(name) || type == evtUnknown || type > evtDouble) {
            r.Skip(static_cast<size_t>(size));
            continue;
        }
        TExIniEntry* e = FCurrent->GetValue(name);
        if (type == evtMultiString) {
            std::vector<std::string> items;
            while (r.Pos() < end) items.push_back(r.Str(end));
            const bool append = e != nullptr && e->ValueType == evtMultiString && e->MultiValue;
            if (!append) {
                if (e == nullptr) e = AddChild(FCurrent, name, false);
                e->Invalidate();
                e->ValueType = evtMultiString;
                e->MultiValue = std::make_unique<TStringList>();
            }
            for (const auto& s : items) e->MultiValue->Add(s);
            continue;
        }
        TExIniEntry fresh;
        fresh.ValueType = static_cast<TExValueType>(type);
        switch (type) {
        case evtBoolean:
            if (size != 1) r.Bad();
            fresh.BoolValue = r.U8() != 0;
            break;
        case evtInt:
            if (size != 4) r.Bad();
            fresh.IntValue = r.I32();
            break;
        case evtString:
            fresh.StrValue = r.Str(end);
            if (r.Pos() != end) r.Bad();
            break;
        case evtBinary: {
            const Integer n = r.I32();
            if (n < 0 || static_cast<Int64>(n) + 4 != size) r.Bad();
            fresh.BinValue.resize(static_cast<size_t>(n));
            r.Bytes(fresh.BinValue.data(), static_cast<size_t>(n));
            break;
        }
        case evtDouble:
            if (size != 8) r.Bad();
            r.Bytes(&fresh.DoubleValue, 8);
            break;
        default: break;
        }
        if (e == nullptr) e = AddChild(FCurrent, name, false);
        e->Invalidate();
        e->ValueType = fresh.ValueType;
        e->BoolValue = fresh.BoolValue;
        e->IntValue = fresh.IntValue;
        e->DoubleValue = fresh.DoubleValue;
        e->StrValue = std::move(fresh.StrValue);
        e->BinValue = std::move(fresh.BinValue);
    }
}

