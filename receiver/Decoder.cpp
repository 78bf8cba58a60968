#include "receiver/Decoder.h"

#include "receiver/Baudot.h"

namespace rx {

void TRxDecoder::Attach(TRxSignalPath& path)
{
    path.Sink = this;
    PeakSpectrum = path.Rings.PeakSpectrum;
}

void TRxDecoder::Restart()
{
    Integrator = TBitIntegrator();
    Framer = TRttyFramer();
    BitClock = TBitClock();
    Fec = TNavtexFec();
    Params.BaudotShift = 0;
    Params.ExtendedRegister = 0;
}

void TRxDecoder::RttyFrameSample(double y)
{
    const int b = BitIntegrator(Slice(y));
    const int code = Framer.Step(b, y, Params, PeakSpectrum);
    if (code != TRttyFramer::kNoCode)
        EmitBaudotCode(code);
}

void TRxDecoder::BitSyncSample(double y)
{
    const int bit = BitIntegrator(Slice(y));
    if (BitClock.Step(bit, Params.SamplesPerBit))
        NavtexFecBit(bit);
}

void TRxDecoder::NavtexFecBit(int bit)
{
    const int v = Fec.NavtexFecBit(bit, Params.DoFastSync != 0);
    if (v == TNavtexFec::kLost)
        AppendReceivedChar('_');
    else if (v >= 0)
        NavtexEmitCode(v);
}

void TRxDecoder::NavtexEmitCode(int index)
{
    if (index >= 0 && index < static_cast<int>(FecToBaudot.size()))
        EmitBaudotCode(FecToBaudot[static_cast<std::size_t>(index)]);
}

void TRxDecoder::EmitBaudotCode(int code)
{
    for (const char* t = BaudotToText(Params, code); *t; ++t)
        AppendReceivedChar(*t);
}

void TRxDecoder::AppendReceivedChar(char c)
{
    if (OnReceivedChar)
        OnReceivedChar(c);
}

}  // namespace rx
