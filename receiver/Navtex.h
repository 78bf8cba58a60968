// NAVTEX forward error correction: seven-unit characters with exactly four ones, each sent twice,
// in a DX position and again in the RX position five characters later. A register of eight
// characters finds the character phase, picks the DX or the RX copy, scores the errors and drops
// synchronisation at the end of a transmission or when errors pile up.
#pragma once

#include <array>
#include <cstdint>

struct TTtyParams;

// By 7-bit code: the character index 0..34 of each code with four ones, -1 for every other code.
extern const std::array<std::int16_t, 128> Ccir476Table;
// Character index 0..31 to 5-unit Baudot code (bit 0 the first data bit); 32..34 have none.
extern const std::array<std::uint8_t, 32> FecToBaudot;

// Whether two received 7-bit codes stand for the same character.
bool FecSameChar(int a, int b);

namespace rx {

constexpr int kFecPhasingDx = 0x33;  // phasing signal in DX positions (index 34)
constexpr int kFecPhasingRx = 0x78;  // in RX positions (index 33); in DX positions, the end signal
constexpr int kFecCharacters = 35;

class TNavtexFec {
public:
    static constexpr int kNothing = -1;
    static constexpr int kLost = -2;  // a character lost in both copies
    static constexpr int kPairBits = 14;
    static constexpr int kEndHoldOffBits = 34;
    static constexpr int kMaxErrorScore = 63;

    // One bit, taken in the middle of the bit. Returns the character index 0..34 to emit, kLost,
    // or kNothing.
    int NavtexFecBit(int bit, bool fastSync);

    // R[0] (oldest) .. R[7] (newest); the first received bit of a character is its bit 6.
    int Register(int i) const { return static_cast<int>((FecRegister >> (7 * (7 - i))) & 0x7F); }
    bool Synced() const { return FecSynced; }
    int PairCounter() const { return FecPairCounter; }
    int ErrorScore() const { return FecErrorScore; }
    int HoldOff() const { return FecHoldOff; }

private:
    bool AllValid() const;
    int ValidCount() const;
    void Drop() { FecSynced = false; }

    std::uint64_t FecRegister = 0;  // 56 bits, R[7] in the low seven
    bool FecSynced = false;
    int FecPairCounter = 0;
    int FecErrorScore = 0;
    int FecHoldOff = 0;
};

// "Fast Sync in NAVTEX": the option is inverted; returns its new state for the check mark.
bool ToggleFastSync(TTtyParams& p);

}  // namespace rx
