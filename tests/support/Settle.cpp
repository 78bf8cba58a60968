#include "tests/support/Settle.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/Forms.h"

namespace settle {

namespace {

bool PaintedAnything(const PaintCount::TCounts& C)
{
    return C.Paints != 0 || C.FramePaints != 0 || C.ScreenUpdates != 0;
}

// One pass of the message loop, with a moment for the toolkit's own posted work to arrive.
void Pass()
{
    Application->ProcessMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

}  // namespace

PaintCount::TCounts PaintsAfterSettling(int Passes)
{
    constexpr int kQuietPasses = 3;
    constexpr int kMaxPasses = 2000;
    const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    int quiet = 0;
    for (int i = 0; i < kMaxPasses && quiet < kQuietPasses && std::chrono::steady_clock::now() < end; ++i) {
        PaintCount::Reset();
        Pass();
        quiet = PaintedAnything(PaintCount::Counts()) ? 0 : quiet + 1;
    }
    PaintCount::Reset();
    for (int i = 0; i < Passes; ++i)
        Pass();
    return PaintCount::Counts();
}

PaintCount::TCounts PaintsUntil(const std::function<bool(const PaintCount::TCounts&)>& Done,
                                const std::function<void()>& Step)
{
    PaintCount::Reset();
    const auto end = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (!Done(PaintCount::Counts()) && std::chrono::steady_clock::now() < end) {
        if (Step)
            Step();
        Pass();
    }
    return PaintCount::Counts();
}

void ExpectSettles(const TRow& Row)
{
    auto* form = new TForm(nullptr);
    form->SetBounds(40, 40, 420, 320);
    form->AfterConstruction();
    Row.Make(form);
    form->Show();
    EXPECT_EQ(Painted(PaintsAfterSettling()), PaintCount::TCounts{});
    EXPECT_EQ(PaintCount::RunningTimers(), 0) << "a timer runs with nothing to do";
    TObject::Free(form);
    Application->ProcessMessages();
}

}  // namespace settle
