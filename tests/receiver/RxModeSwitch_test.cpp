// The Mode menu while a broadcast is on: each switch starts the new mode as a receiver just started
// in it, and the message the switch breaks off is saved as it stood. A file decode starting and
// ending and the sound device going away break the stream off the same way.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <numeric>
#include <random>
#include <sstream>

#include "platform/DateUtils.h"
#include "platform/Input.h"
#include "platform/Menus.h"
#include "receiver/MessageArchive.h"
#include "receiver/SampleFile.h"
#include "tests/receiver/RxWindowTest.h"

namespace {

using namespace rxtest;

class ModeSwitch : public RxWindow {
protected:
    void SetUp() override
    {
        RxWindow::SetUp();
        // Every look at the clock is a second later, so that no two messages share a file.
        SetLocalTimeSource([this] {
            const int n = Clock++;
            return TSystemTime{2007, 3, 0, 15, static_cast<Word>(6 + n / 3600), static_cast<Word>(n / 60 % 60),
                               static_cast<Word>(n % 60), 0};
        });
    }
    void TearDown() override
    {
        SetLocalTimeSource({});
        RxWindow::TearDown();
    }

    // Whole blocks through the stand-in device, each worked off by the window before the next.
    void Feed(const std::vector<std::int16_t>& samples)
    {
        ASSERT_EQ(samples.size() % rx::kBlockSize, 0u);
        for (std::size_t at = 0; at < samples.size(); at += rx::kBlockSize) {
            fakewave::Deliver(1, [&](std::int16_t* x, int n) { std::copy_n(samples.begin() + static_cast<long>(at), n, x); });
            ASSERT_TRUE(uitest::PumpUntil([this] { return form->Sound->BuffersWaiting() == 0; }, 60000));
        }
    }
    // What a receiver just started in mode, on the centre bin the window is on, makes of samples,
    // with the line ends as the receive window shows them.
    static std::string FreshReceiver(int mode, const std::vector<std::int16_t>& samples)
    {
        TTtyParams p;
        rx::TPlainReceiver fresh(p);
        rx::TDecodeTuning tuning;
        tuning.Mode = mode;
        tuning.CentreHz = (Tty_Params.LowerBin + Tty_Params.UpperBin) / 2 * kRate / rx::kBlockSize;
        rx::TuneForDecode(p, fresh.Path.Demod, tuning);
        rx::TLineFolding folding;
        std::string out;
        fresh.Decoder.OnReceivedChar = [&](char c) {
            bool lineBreak;
            out += folding.Fold(c, lineBreak);
        };
        for (std::size_t at = 0; at < samples.size(); at += rx::kBlockSize)
            fresh.Path.ProcessSoundBuffer(samples.data() + at, false);
        return out;
    }
    // A message in either mode, on the window's start-up centre, from the first key-down on, in
    // whole blocks.
    static std::vector<std::int16_t> Broadcast(int mode, const std::string& text, unsigned seed)
    {
        const double centre = 316 * kRate / rx::kBlockSize;
        TFskSignal s;
        if (mode == rx::kModeRtty) {
            TRttyTx tx;
            tx.MarkHz = centre - 225;
            tx.SpaceHz = centre + 225;
            tx.LeadBits = 1;
            AppendRtty(s, tx, EncodeBaudot(text));
        } else {
            std::vector<int> fec;
            for (int c : EncodeBaudot(text))
                fec.push_back(FecCodeOfBaudot(c));
            AppendNavtex(s, MakeNavtex(fec).Slots, centre + 85, centre - 85);
        }
        s.Samples.resize((s.Samples.size() / rx::kBlockSize + 1) * rx::kBlockSize);
        return Quantise(s.Samples, 200.0, seed);
    }
    // What a switch must leave as in a receiver just started: the bit timing, the framing, the
    // error correction, the demodulator's history and the peaks the AFC follows.
    static std::string StartState(const rx::TRxDecoder& d, const rx::TRxSignalPath& path)
    {
        std::ostringstream s;
        s << d.Integrator.Counter() << d.Integrator.Output() << " " << static_cast<int>(d.Framer.State())
          << d.Framer.SampleCount() << d.Framer.TargetCount() << " " << d.BitClock.Phase() << " " << d.Fec.Synced()
          << d.Fec.PairCounter() << d.Fec.ErrorScore() << d.Fec.HoldOff() << " ";
        for (int i = 0; i < 8; ++i)
            s << d.Fec.Register(i) << ",";
        for (const auto* c : {&path.Demod.SlowState(), &path.Demod.FastState()})
            s << " " << c->LowerPhase << c->UpperPhase << c->Stage1 << c->Stage2 << c->Stage3 << c->DemodOutput;
        s << " " << path.Demod.FinalWritePosition() << path.Demod.NcoResetPending << " "
          << std::accumulate(std::begin(path.Rings.PeakSpectrum), std::end(path.Rings.PeakSpectrum), 0.0);
        return s.str();
    }
    static std::vector<std::string> MessageFiles()
    {
        std::vector<std::string> files;
        for (const std::string& name : rx::ListMessageFiles(rx::kMessageDir)) {
            std::ifstream in(std::string(rx::kMessageDir) + "/" + name, std::ios::binary);
            std::stringstream s;
            s << in.rdbuf();
            files.push_back(s.str());
        }
        return files;
    }

    int Clock = 0;
};

// Each way, a switch in the middle of a message and one between messages, with the new mode's
// message straight after the switch; the points where the messages are broken off vary by seed.
TEST_F(ModeSwitch, TheNextMessageComesOutAsInAReceiverJustStartedInThatMode)
{
    const std::string rtty = "ZCZC RT00\r\nTHE QUICK BROWN FOX 123\r\nNNNN\r\n";
    const std::string navtex = "ZCZC FA01\r\nNAVTEX TEST 456 GALE WARNING\r\nNNNN\r\n";
    for (unsigned seed = 1; seed <= 3; ++seed) {
        SCOPED_TRACE(seed);
        TearDown();
        std::filesystem::remove_all(Dir.Path(rx::kMessageDir));
        SetUp();
        form->Show();
        form->FormActivate(form);
        std::mt19937 random(seed);
        std::vector<std::string> expectedFiles;
        const struct {
            TMenuItem* Item;
            int Mode;
            bool BrokenOff;
        } rounds[] = {{form->RTTY1, rx::kModeRtty, true},   {form->AMTORFEC1, rx::kModeNavtex, true},
                      {form->RTTY1, rx::kModeRtty, false},  {form->AMTORFEC1, rx::kModeNavtex, false},
                      {form->RTTY1, rx::kModeRtty, false}};
        for (const auto& round : rounds) {
            const bool inMessage = form->Detector.InMessage();
            EXPECT_EQ(Panel(kPanelMessage), inMessage ? "Message ..." : expectedFiles.empty() ? "" : " ");
            TriggerMenuItem(round.Item);
            ASSERT_EQ(Tty_Params.Mode, round.Mode);
            {
                TTtyParams p;
                rx::TPlainReceiver fresh(p);
                EXPECT_EQ(StartState(form->Decoder, form->Path), StartState(fresh.Decoder, fresh.Path));
            }
            if (inMessage) {
                EXPECT_EQ(Panel(kPanelMessage), " ");
            }
            std::vector<std::int16_t> signal =
                Broadcast(round.Mode, round.Mode == rx::kModeRtty ? rtty : navtex, seed * 10 + expectedFiles.size());
            const std::size_t blocks = signal.size() / rx::kBlockSize;
            if (round.BrokenOff)
                signal.resize(std::uniform_int_distribution<std::size_t>(blocks / 3, blocks * 2 / 3)(random) *
                              rx::kBlockSize);
            const std::string fresh = FreshReceiver(round.Mode, signal);
            const std::size_t before = Received().size();
            Feed(signal);
            const std::string got = Received().substr(before);
            EXPECT_EQ(got, fresh) << (round.Mode == rx::kModeRtty ? "RTTY" : "NAVTEX");
            ASSERT_NE(got.find("ZCZC"), std::string::npos) << got;
            expectedFiles.push_back(got.substr(got.find("ZCZC")) + (round.BrokenOff ? "\r\n" : ""));
        }
        EXPECT_EQ(expectedFiles.back(), rtty);
        EXPECT_EQ(MessageFiles(), expectedFiles);
        EXPECT_TRUE(Boxes.empty());
    }
}

// Live RTTY broken off in its middle by Decode From File, the file's own message broken off by its
// end, the rest of the live broadcast and a whole one after the decode, then a device that goes
// away in the middle of a message and comes back: each break saves the message as it stood at
// once, and what follows comes out as from a receiver just started.
TEST_F(ModeSwitch, AFileDecodeAndALostDeviceBreakTheStreamAsASwitchDoes)
{
    form->Show();
    form->FormActivate(form);
    auto message = [](int n) { return Format("ZCZC RT%02d\r\nGALE WARNING %d SOUTH WEST\r\nNNNN\r\n", n, n); };
    auto slice = [](const std::vector<std::int16_t>& s, std::size_t from, std::size_t to) {
        return std::vector<std::int16_t>(s.begin() + static_cast<long>(from), s.begin() + static_cast<long>(to));
    };
    auto half = [](const std::vector<std::int16_t>& s) { return s.size() / rx::kBlockSize / 2 * rx::kBlockSize; };
    auto startsAfresh = [this] {
        TTtyParams p;
        rx::TPlainReceiver fresh(p);
        EXPECT_EQ(StartState(form->Decoder, form->Path), StartState(fresh.Decoder, fresh.Path));
    };
    // What the window received of samples fed now, against a receiver just started (edge: a break's line end).
    auto receive = [this](const std::vector<std::int16_t>& samples, const std::function<void()>& feed,
                          const std::string& edge = "") {
        const std::string fresh = FreshReceiver(rx::kModeRtty, samples);
        const std::size_t before = Received().size();
        feed();
        const std::string got = Received().substr(before);
        EXPECT_EQ(got, edge + fresh + edge);
        return fresh;
    };
    auto cut = [](const std::string& got) {
        EXPECT_NE(got.find("ZCZC"), std::string::npos) << got;
        return got.substr(std::min(got.find("ZCZC"), got.size())) + "\r\n";
    };
    std::vector<std::string> expected;

    const std::vector<std::int16_t> live = Broadcast(rx::kModeRtty, message(0), 1);
    Feed(slice(live, 0, half(live)));
    expected.push_back(cut(Received()));
    const std::vector<std::int16_t> file = Broadcast(rx::kModeRtty, message(1), 2);
    DialogFile = Dir.Path("broadcast.txt");
    std::vector<std::int16_t> fileSamples = slice(file, 0, half(file));
    WriteSampleFile(DialogFile, fileSamples);
    fileSamples.resize(fileSamples.size() + rx::kBlockSize);  // a file of whole blocks ends in one of silence
    expected.push_back(cut(receive(fileSamples, [] { Input::PressKey('G', ssAlt | ssCtrl); }, "\r\n")));
    EXPECT_EQ(MessageFiles(), expected);
    startsAfresh();
    EXPECT_EQ(Panel(kPanelMessage), " ");

    std::vector<std::int16_t> after = slice(live, half(live), live.size());
    const std::vector<std::int16_t> whole = Broadcast(rx::kModeRtty, message(2), 3);
    after.insert(after.end(), whole.begin(), whole.end());
    receive(after, [&] { Feed(after); });
    expected.push_back(message(2));
    EXPECT_EQ(MessageFiles(), expected);

    const std::vector<std::int16_t> lost = Broadcast(rx::kModeRtty, message(3), 4);
    const std::size_t before = Received().size();
    Feed(slice(lost, 0, half(lost)));
    expected.push_back(cut(Received().substr(before)));
    fakewave::Lose();
    uitest::Pump();
    EXPECT_EQ(MessageFiles(), expected);  // saved while the device is away
    startsAfresh();
    fakewave::ComeBack();
    after = slice(lost, half(lost), lost.size());
    const std::vector<std::int16_t> next = Broadcast(rx::kModeRtty, message(4), 5);
    after.insert(after.end(), next.begin(), next.end());
    receive(after, [&] { Feed(after); });
    expected.push_back(message(4));
    EXPECT_EQ(MessageFiles(), expected);
    for (const std::string& box : Boxes)  // the timer may have told the device gone
        EXPECT_EQ(box, std::string(rx::kSoundLostCaption) + "|" + rx::kSoundLostText);
    std::stringstream log;
    log << std::ifstream("Raw_Logs/07-03-15.TXT", std::ios::binary).rdbuf();
    EXPECT_EQ(log.str(), Received());
}

}  // namespace
