#include "receiver/Tuning.h"

#include "receiver/Demodulator.h"
#include "receiver/FirTables.h"

namespace rx {

void SetSpeed(TTtyParams& p, TTwoToneDemod& demod, int baud, TTuningView* view)
{
    p.HoldOffTicks = 0;
    int b = baud;
    const TBaudFirTable* table = &BaudFirTable50;
    TDemodChain chain = TDemodChain::Slow;
    switch (b) {
    case 45: table = &BaudFirTable45; break;
    case 75: table = &BaudFirTable75; chain = TDemodChain::Fast; break;
    case 100: table = &BaudFirTable100; chain = TDemodChain::Fast; break;
    default: b = 50; break;
    }
    demod.FinalTable = table;
    demod.DemodChain = chain;
    p.BaudRate = b;
    double rate = b;
    if (b == 45)
        rate = 45.45;
    if (p.Mode != kModeRtty)
        rate = 100.0;
    p.SamplesPerBit = RoundHalfUp(EffectiveSamplingFreq(p) / rate);
    p.HalfBit = p.SamplesPerBit / 2;
    demod.NcoResetPending = true;
    if (view) {
        view->SpeedItemChecked(b);
        view->StatusPanelText(1, p.Mode == kModeRtty ? std::to_string(b) + " Baud" : "100 Baud");
    }
}

void SetShift(TTtyParams& p, int hz, TTuningView* view)
{
    p.HoldOffTicks = 0;
    int s = hz;
    int item = s;
    switch (s) {
    case 85:
    case 850: break;
    case 425:
    case 450: item = 425; break;
    default: s = item = 170; break;
    }
    p.ShiftHz = s;
    const double shift = p.Mode == kModeRtty ? s : 170.0;
    const double fs = EffectiveSamplingFreq(p);
    p.ShiftBins = ShiftToBins(shift, fs);
    p.ShiftStep = ShiftToSteps(shift, fs);
    if (view)
        view->ShiftItemChecked(item);
}

void SetMode(TTtyParams& p, TTwoToneDemod& demod, int mode, TTuningView* view)
{
    p.HoldOffTicks = 0;
    p.Mode = mode == kModeNavtex ? kModeNavtex : kModeRtty;
    if (view) {
        view->ModeItemChecked(p.Mode, p.Mode == kModeRtty);
        view->StatusPanelText(0, p.Mode == kModeRtty ? "RTTY" : "NAVTEX");
    }
    SetShift(p, p.ShiftHz, view);
    SetSpeed(p, demod, p.BaudRate, view);
    PlaceTonePair(p, (p.LowerBin + p.UpperBin) / 2);
}

void ReverseButtonClick(TTtyParams& p, bool down, TTuningView* view)
{
    p.Reverse = down ? 1 : 0;
    if (view)
        view->ReverseCaption(down ? "Reverse" : "Normal");
}

void SquelchButtonClick(TTtyParams& p, bool down)
{
    p.IsSquelch = down ? 1 : 0;
}

void SquelchUpDownClick(TTtyParams& p, int position)
{
    p.SquelchLevel = SquelchLevelForPosition(position);
}

}  // namespace rx
