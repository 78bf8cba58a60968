#include "receiver/Navtex.h"

#include "receiver/RxParams.h"

namespace {

// The seven-unit codes in character index order.
constexpr std::array<std::uint8_t, rx::kFecCharacters> kCodes = {
    0x71, 0x27, 0x5C, 0x65, 0x35, 0x6C, 0x56, 0x4B, 0x59, 0x74, 0x3C, 0x53, 0x4E, 0x4D, 0x47, 0x5A, 0x3A, 0x55,
    0x69, 0x17, 0x39, 0x1E, 0x72, 0x2E, 0x6A, 0x63, 0x0F, 0x1B, 0x2D, 0x36, 0x1D, 0x2B, 0x66, 0x78, 0x33};

constexpr std::array<std::int16_t, 128> MakeCcir476Table()
{
    std::array<std::int16_t, 128> t{};
    for (auto& v : t)
        v = -1;
    for (int i = 0; i < rx::kFecCharacters; ++i)
        t[kCodes[static_cast<std::size_t>(i)]] = static_cast<std::int16_t>(i);
    return t;
}

int Index(int code)
{
    return Ccir476Table[static_cast<std::size_t>(code & 0x7F)];
}

}  // namespace

constexpr std::array<std::int16_t, 128> Ccir476Table = MakeCcir476Table();

constexpr std::array<std::uint8_t, 32> FecToBaudot = {
    0x03, 0x19, 0x0E, 0x09, 0x01, 0x0D, 0x1A, 0x14, 0x06, 0x0B, 0x0F, 0x12, 0x1C, 0x0C, 0x18, 0x16,
    0x17, 0x0A, 0x05, 0x10, 0x07, 0x1E, 0x13, 0x1D, 0x15, 0x11, 0x08, 0x02, 0x1F, 0x1B, 0x04, 0x00};

bool FecSameChar(int a, int b)
{
    return a == b;
}

namespace rx {

bool TNavtexFec::AllValid() const
{
    return ValidCount() == 8;
}

int TNavtexFec::ValidCount() const
{
    int n = 0;
    for (int i = 0; i < 8; ++i)
        if (Index(Register(i)) >= 0)
            ++n;
    return n;
}

int TNavtexFec::NavtexFecBit(int bit, bool fastSync)
{
    FecRegister = ((FecRegister << 1) | static_cast<std::uint64_t>(bit & 1)) & ((std::uint64_t{1} << 56) - 1);
    if (FecHoldOff > 0) {
        --FecHoldOff;
        return kNothing;
    }
    if (!FecSynced) {
        const bool phasing = Register(0) == kFecPhasingDx && Register(1) == kFecPhasingRx &&
                             (Register(2) == kFecPhasingDx || Register(3) == kFecPhasingRx);
        const bool data = !phasing && fastSync && AllValid() && FecSameChar(Register(0), Register(5)) &&
                          FecSameChar(Register(2), Register(7));
        if (!phasing && !data)
            return kNothing;
        FecSynced = true;
        FecPairCounter = kPairBits - 1;
        FecErrorScore = 0;
    }
    if (++FecPairCounter < kPairBits)
        return kNothing;
    FecPairCounter = 0;
    int v = Index(Register(0));
    if (v < 0)
        v = Index(Register(5));
    if (v < 0) {
        FecErrorScore += 4;
        if (FecErrorScore > kMaxErrorScore)
            Drop();
        else if (fastSync && ValidCount() < 2)
            Drop();
        return kLost;
    }
    if (FecErrorScore > 0)
        --FecErrorScore;
    if (Register(0) == kFecPhasingRx && Register(2) == kFecPhasingRx) {
        Drop();
        FecHoldOff = kEndHoldOffBits;
        return v;
    }
    if (fastSync && AllValid() && !FecSameChar(Register(0), Register(5)) &&
        !FecSameChar(Register(2), Register(7))) {
        FecErrorScore += 9;
        if (FecErrorScore > kMaxErrorScore)
            Drop();
        else if (FecSameChar(Register(1), Register(6)))
            Drop();
    }
    return v;
}

bool ToggleFastSync(TTtyParams& p)
{
    p.DoFastSync = p.DoFastSync ? 0 : 1;
    return p.DoFastSync != 0;
}

}  // namespace rx
