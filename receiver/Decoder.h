// The receiver's decoder: takes the demodulator value of every sample and turns it, through the
// RTTY framing or the NAVTEX error correction and the Baudot conversion, into bytes of text that
// all leave through one routine, AppendReceivedChar.
#pragma once

#include <functional>

#include "receiver/BitTiming.h"
#include "receiver/Navtex.h"
#include "receiver/RxParams.h"
#include "receiver/SignalPath.h"

namespace rx {

class TRxDecoder : public TDemodSink {
public:
    explicit TRxDecoder(TTtyParams& params = Tty_Params) : Params(params) {}

    TTtyParams& Params;
    // The peak-hold spectrum the squelch reads (2048 entries); none reads as silence.
    const double* PeakSpectrum = nullptr;
    // Every decoded byte, in order: the receive window, the raw log and the message detector.
    std::function<void(char)> OnReceivedChar;

    // Takes the values of path and reads its peak-hold spectrum.
    void Attach(TRxSignalPath& path);
    // Another mode was chosen: the bit timing, the framing, the error correction and the letters or
    // figures shift begin as in a receiver just started, so that nothing the old mode left half done
    // runs into the first characters of the new one.
    void Restart();

    void RttyFrameSample(double y) override;
    void BitSyncSample(double y) override;

    // The one integrator both modes share.
    int BitIntegrator(int rawBit) { return Integrator.Step(rawBit, Params.HalfBit); }
    void NavtexFecBit(int bit);
    // A NAVTEX character index: 0..31 go on as their Baudot code, the others give nothing.
    void NavtexEmitCode(int index);
    // A Baudot code through the active character set, byte by byte to AppendReceivedChar.
    void EmitBaudotCode(int code);
    void AppendReceivedChar(char c);

    TBitIntegrator Integrator;
    TRttyFramer Framer;
    TBitClock BitClock;
    TNavtexFec Fec;
};

}  // namespace rx
