// The settings file, the menu commands that change what it keeps, the PTT port and time zone,
// the dialogs, help and the about box.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cmath>
#include <fstream>
#include <functional>
#include <sstream>
#include <tuple>
#include <vector>

#include "memo/Stylememo.h"
#include "platform/Buttons.h"
#include "platform/ExtCtrls.h"
#include "platform/Input.h"
#include "platform/Menus.h"
#include "platform/ShellApi.h"
#include "platform/StdCtrls.h"
#include "platform/FileUtils.h"
#include "receiver/About.h"
#include "receiver/CharSets.h"
#include "receiver/Displays.h"
#include "receiver/Settings.h"
#include "tests/receiver/RxWindowTest.h"

namespace {

using namespace rxtest;

void WriteFile(const std::string& name, const std::string& text)
{
    std::ofstream(name, std::ios::binary) << text;
}

std::string ReadFile(const std::string& name)
{
    std::ifstream f(name, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

// ---- number forms, port and zone tables ---------------------------------------------------------

TEST(SettingsText, IntegersAndFloatsAreScannedLikeTheCLibraryWithThePointAlways)
{
    struct TCase {
        const char* Text;
        Integer Value;
    };
    for (const TCase c : {TCase{"42", 42}, TCase{"  -17", -17}, TCase{"+8", 8}, TCase{"75xyz", 75},
                          TCase{"12 34", 12}, TCase{"abc", -99}, TCase{"", -99}, TCase{"-", -99},
                          TCase{" - 5", -99}, TCase{"\r\v9", 9}, TCase{"99999999999", INT_MAX}, TCase{"-99999999999", INT_MIN},
                          TCase{"2147483648", INT_MAX}, TCase{"-2147483648", INT_MIN}})
        EXPECT_EQ(rx::ScanInteger(c.Text, -99), c.Value) << '"' << c.Text << '"';

    EXPECT_EQ(rx::ScanFloat(" 11024.5", 1), 11024.5);
    EXPECT_EQ(rx::ScanFloat("+8000", 1), 8000);
    EXPECT_EQ(rx::ScanFloat("11024,5", 1), 11024);  // a comma ends the number
    EXPECT_EQ(rx::ScanFloat("x", 7.5), 7.5);
    EXPECT_EQ(rx::ScanFloat("+-3", 7.5), 7.5);
    EXPECT_EQ(rx::FloatText(11025), "11025");
    EXPECT_EQ(rx::FloatText(11024.5), "11024.5");
    EXPECT_EQ(rx::FloatText(1.0 / 3), "0.333333333333333");
}

TEST(SettingsText, PttChoicesFollowThePortAndLineTables)
{
    // Port and mask asked for -> caption, then the stored port, mask and the two bytes.
    for (const auto& [port, mask, expected] : std::vector<std::tuple<int, int, std::string>>{
             {1, 2, "PTT Interface (COM1/RTS) 1 2 2 0"},       {1, 1, "PTT Interface (COM1/DTR) 1 1 1 0"},
             {12, 3, "PTT Interface (COM6/RTS and DTR) 12 3 3 0"}, {15, 1, "PTT Interface (COM9/DTR) 15 1 1 0"},
             {16, 0, "PTT Interface (NONE) 0 2 0 0"},          {-3, 1, "PTT Interface (NONE) 0 1 0 0"},
             {5, 1, "PTT Interface (LPT-378) 5 1 38 192"},     {7, 2, "PTT Interface (LPT-3BC) 7 2 38 192"},
             {9, 3, "PTT Interface (LPT-278/QX5B) 9 3 4 1"}}) {
        TTtyParams p;
        const rx::TPttChoice r = rx::ChoosePtt(port, mask);
        rx::StorePtt(p, r);
        EXPECT_EQ(r.MenuCaption + " " + std::to_string(p.KeyPortNumber) + " " + std::to_string(p.ComMask) + " " +
                      std::to_string(p.PttByte1) + " " + std::to_string(p.PttByte2),
                  expected);
    }
}

TEST(SettingsText, EveryPortAndZoneItemInMenuOrder)
{
    std::string ports, zones;
    for (const rx::TPttPort& port : rx::PttPorts) {
        const rx::TPttChoice c = rx::ChoosePtt(port.Code, 1);
        ports += std::string(port.Caption) + "=" + std::to_string(port.Code) + ":" + c.MenuCaption.substr(14) + "/" +
                 std::to_string(c.First) + "/" + std::to_string(c.Second) + " ";
    }
    EXPECT_EQ(ports, "NONE=0:(NONE)/0/0 COM1=1:(COM1/DTR)/1/0 COM2=2:(COM2/DTR)/1/0 COM3=3:(COM3/DTR)/1/0 "
                     "COM4=4:(COM4/DTR)/1/0 COM5=11:(COM5/DTR)/1/0 COM6=12:(COM6/DTR)/1/0 COM7=13:(COM7/DTR)/1/0 "
                     "COM8=14:(COM8/DTR)/1/0 COM9=15:(COM9/DTR)/1/0 LPT-378=5:(LPT-378)/38/192 "
                     "LPT-278=6:(LPT-278)/38/192 LPT-3BC=7:(LPT-3BC)/38/192 "
                     "LPT-378 (QX5B-compatible)=8:(LPT-378/QX5B)/4/1 LPT-278 (QX5B-compatible)=9:(LPT-278/QX5B)/4/1 "
                     "LPT-3BC (QX5B-compatible)=10:(LPT-3BC/QX5B)/4/1 ");
    for (const rx::TTimeZone& zone : rx::TimeZones)
        zones += std::string(zone.Break ? "| " : "") + zone.Caption + "=" + std::to_string(zone.Offset) + " ";
    EXPECT_EQ(zones, "By OS=-1 UTC -12:00=720 UTC -11:00=660 UTC -10:00=600 UTC -09:00=540 UTC -08:00=480 "
                     "UTC -07:00=420 UTC -06:00=360 UTC -05:00=300 | UTC -04:00=240 UTC -03:30=210 UTC -03:00=180 "
                     "UTC -02:30=150 UTC -02:00=120 UTC -01:00=60 UTC=0 UTC +01:00=-60 UTC +02:00=-120 "
                     "| UTC +03:00=-180 UTC +03:30=-210 UTC +04:00=-240 UTC +04:30=-270 UTC +05:00=-300 "
                     "UTC +05:30=-330 UTC +06:00=-360 UTC +06:30=-390 UTC +07:00=-420 | UTC +08:00=-480 "
                     "UTC +09:00=-540 UTC +09:30=-570 UTC +10:00=-600 UTC +10:30=-630 UTC +11:00=-660 "
                     "UTC +12:00=-720 ");
}

TEST(SettingsText, TimeZoneCaptionsClampsAndItems)
{
    // Offset -> caption and the item that has it (none: "-").
    for (const auto& [offset, expected] : std::vector<std::pair<int, std::string>>{
             {-1, "Time Zone (By OS) ByOS1"},      {0, "Time Zone (UTC) UTC0000"},
             {330, "Time Zone (UTC -05:30) -"},    {-330, "Time Zone (UTC +05:30) UTCp0530"},
             {30, "Time Zone (UTC -00:30) -"},     {720, "Time Zone (UTC -12:00) UTCm1200"},
             {-720, "Time Zone (UTC +12:00) UTCp1200"}, {-2, "Time Zone (UTC +00:02) -"}}) {
        const int item = rx::TimeZoneItem(offset);
        EXPECT_EQ(rx::TimeZoneCaption(offset) + " " + (item < 0 ? "-" : rx::TimeZones[std::size_t(item)].Name),
                  expected);
    }
    for (const auto& [in, out] : {std::pair{1000, 780}, {-2000, -780}, {780, 780}, {-780, -780}, {5, 5}})
        EXPECT_EQ(rx::ClampUtcOffset(in), out) << in;
}

// ---- the window with its settings file ----------------------------------------------------------

class SettingsWindow : public RxWindow {
protected:
    // A new window over the settings file as it is now, activated as at a start.
    void Restart()
    {
        delete form;
        form = new TRxForm(nullptr, &fakewave::Api);
        form->AfterConstruction();
        form->FormActivate(form);
    }
    TMenuItem* Named(const std::string& name) { return dynamic_cast<TMenuItem*>(form->FindComponent(name)); }
    static std::string NoBlanks(std::string t)
    {
        std::replace(t.begin(), t.end(), ' ', '_');
        return t;
    }
    static std::string On(const TMenuItem* m) { return m->Checked() ? "+" : "-"; }
    static std::string Checked(TMenuItem* menu)
    {
        for (int i = 0; i < menu->Count(); ++i)
            if (menu->Items(i)->Checked() && menu->Items(i)->RadioItem())
                return NoBlanks(menu->Items(i)->Caption());
        return "none";
    }
    // Every value the settings file keeps, one blank-separated word each, as the window shows it.
    std::string State()
    {
        const TTtyParams& p = Tty_Params;
        const TFont* f = form->RxMemo->Font();
        char level[32];
        std::snprintf(level, sizeof level, "%.6f", p.SquelchLevel);
        std::ostringstream s;
        s << "top:" << (form->FormStyle() == fsStayOnTop) << form->OnTopButton->Down()
          << " afc:" << form->AfcButton->Down() << form->AfcUpDown->Position() << " sql:" << p.IsSquelch
          << form->SquelchButton->Down() << form->SquelchUpDown->Position() << "/" << level
          << " fs:" << p.SamplingFreq << " mode:" << p.Mode << Checked(form->Mode1) << " baud:" << p.BaudRate
          << " shift:" << p.ShiftHz << "/" << p.ShiftBins << " rev:" << p.Reverse << form->ReverseButton->Caption()
          << " uos:" << p.UnshiftOnSpace << On(form->UnshiftOnSpace1) << Panel(5) << " bins:" << p.LowerBin << "/"
          << p.UpperBin << " fast:" << p.DoFastSync << On(form->FastSync1) << " synop:" << p.IgnoreSYNOP
          << On(form->DontSaveSYNOPMessages1) << " set:" << p.CharsetIndex << Checked(form->Setup1)
          << " user:" << p.UserCharsetFile << " ext:" << p.ExtendedBaudot << On(form->ExtendedBaudot1)
          << " ptt:" << p.KeyPortNumber << "/" << p.ComMask << "/" << int(p.PttByte1) << "/" << int(p.PttByte2)
          << Checked(form->PTTInterfaceMenu) << "(" << NoBlanks(form->PTTInterfaceMenu->Caption()) << ")"
          << " osc:" << p.OscShow << On(form->ViewOscWindowMenu) << " log:" << p.LogarithmicSpectrum
          << On(form->LogarithmicSpectrogramm1) << p.LogarithmicOscillogram << On(form->LogarithmicOscillogram1)
          << " utc:" << p.UTCoffset << Checked(form->TimeZone1) << "(" << NoBlanks(form->TimeZone1->Caption()) << ")"
          << " window:" << form->Left() << "," << form->Top() << "," << form->Width() << "," << form->Height()
          << " panes:" << form->FFTBox->Height() << "," << form->RxMemo->Height() << "," << form->PaintBox1->Height()
          << " backs:" << p.FFTBackground << "," << p.OscBackground << " font:" << NoBlanks(f->Name()) << "," << int(f->Charset())
          << "," << f->Color() << "," << f->Size() << "," << f->Pitch() << form->MessageMemo->Font()->Pitch() << ","
          << f->Style() << "/" << form->RxMemo->HighlightColor() << "/" << form->MessageMemo->HighlightColor()
          << " back:" << form->RxMemo->Color() << "/" << form->RxMemo->HighlightBackgnd();
        return s.str();
    }
};

const char kDefaults[] =
    "top:00 afc:110 sql:0050/0.035584 fs:11025 mode:0RTTY baud:50 shift:450/84 rev:0Normal uos:0- "
    "bins:274/358 fast:1+ synop:1+ set:0English__Charset user: ext:0- "
    "ptt:0/2/0/0NONE(PTT_Interface_(NONE)) osc:1+ log:1+1+ utc:-1By_OS(Time_Zone_(By_OS)) "
    "window:247,111,532,427 panes:50,80,50 backs:16777215,16777215 "
    "font:MS_Sans_Serif,204,-2147483640,10,00,1/-2147483640/-2147483640 back:-2147483643/-2147483643";

TEST_F(SettingsWindow, NoSettingsFileGivesEveryDefault)
{
    form->FormActivate(form);
    EXPECT_EQ(State(), kDefaults);
    EXPECT_EQ(Tty_Params.SoundCardNumber, -1);
    EXPECT_TRUE(Boxes.empty());
    EXPECT_FALSE(FileExists("MORVIK.INI"));
}

TEST_F(SettingsWindow, EverySettingChangedThroughItsCommandSurvivesSaveSetupAndARestart)
{
    WriteFile("user.txt", ".- A\n");
    SetArgs({"/S11024.5"});
    form->Show();
    form->FormActivate(form);
    uitest::Pump();

    Input::Click(form->OnTopButton, 10, 10);
    Input::PressKey('F', ssAlt);
    Input::Click(form->AfcUpDown, 7, 3);
    Input::Click(form->SquelchButton, 10, 10);
    Input::Click(form->SquelchUpDown, 7, 17);
    Input::Click(form->ReverseButton, 10, 10);
    form->DrawSpectrum();
    Input::Click(form->FFTBox, 10 + (300 - 55), 20);
    for (TMenuItem* item : {form->N75Baud1, form->N850HzShift1, form->AMTORFEC1, form->UnshiftOnSpace1,
                            form->FastSync1, form->DontSaveSYNOPMessages1, form->UserdefinedCharset1})
        TriggerMenuItem(item);
    EXPECT_EQ(FileDialogs, 0);  // the user-defined set is hidden: the menu cannot choose it
    DialogFile = "user.txt";
    form->UserdefinedCharset1Click(form);
    EXPECT_EQ(Tty_Params.CharsetIndex, 3);
    for (TMenuItem* item : {form->SwedishCharset1, form->ExtendedBaudot1, Named("UseDTR1"), Named("Com6Ptt"),
                            Named("UseRTSDTR1"),
                            form->ViewOscWindowMenu, Named("UTCp0530")})
        TriggerMenuItem(item);
    Input::PressKey('Z', ssAlt);
    Input::PressKey('Z', ssCtrl);
    form->SetBounds(90, 70, 600, 520);
    form->FFTBox->SetHeight(70);
    form->RxMemo->SetHeight(120);
    TColor nextColour = clNavy;
    OtherDialog = [&](TObject* d) {
        if (auto* c = dynamic_cast<TColorDialog*>(d))
            c->Color = nextColour;
        if (auto* fd = dynamic_cast<TFontDialog*>(d)) {
            fd->Font()->SetName("DejaVu Serif");
            fd->Font()->SetCharset(0);
            fd->Font()->SetSize(12);
            fd->Font()->SetStyle(FontStyle(fsItalic) | FontStyle(fsUnderline));
            fd->Font()->SetColor(clMaroon);
            fd->Font()->SetPitch(fpFixed);
        }
        return IDOK;
    };
    TriggerMenuItem(form->SpectrogrammBackgroundSetup1);
    nextColour = TColor(0x123456);
    TriggerMenuItem(form->OscillogrammBackgroundSetup1);
    nextColour = clYellow;
    TriggerMenuItem(form->RxWindowBackgroundSetup1);
    TriggerMenuItem(form->RxWindowFontSetup1);
    const std::string changed = State();
    Tty_Params.HoldOffTicks = 9;
    TriggerMenuItem(form->SaveSetup1);
    EXPECT_EQ(Tty_Params.HoldOffTicks, 0);
    ASSERT_TRUE(Boxes.empty()) << Boxes.front();

    SetArgs({});
    Restart();
    // Every word differs from the defaults, and all of them come back.
    std::istringstream a(changed), b(kDefaults);
    for (std::string x, y; a >> x && b >> y;)
        EXPECT_NE(x, y);
    EXPECT_EQ(State(), changed);

    // Written in the save's order.
    std::string text = ReadFile("MORVIK.INI");
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    std::string keys;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        if (!line.empty())
            keys += line.substr(0, line.find('=')) + " ";
    EXPECT_EQ(keys,
              "[RTTY] OnTop AFC AFCSpeed CentreBin Charset UserCharsetFile SamplingFreq BaudRate Shift Reverse "
              "UnshiftOnSpace ExtendedBaudot KeyPortNumber ComMask IsSquelch SquelchThreshold Mode DoFastSync "
              "IgnoreSYNOP OscShow LogarithmicSpectrum LogarithmicOscillogram UTCoffset [Window] Left Top Height "
              "Width SHeight RHeight MHeight DHeight FFTBackground OscBackground [Font] Name Charset Color Height "
              "Pitch Size Style Background ");
    for (const char* line : {"UserCharsetFile=\"user.txt\"\n", "Name=\"DejaVu Serif\"\n", "SamplingFreq=11024.5\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
}

TEST_F(SettingsWindow, StoredValuesWithRulesOfTheirOwn)
{
    // A repeated key: the first wins. A value that is no number gives its default.
    WriteFile("MORVIK.INI",
              "[RTTY]\nMode=6\nShift=85\nCentreBin=0\nCharset=3\nExtendedBaudot=0\nSoundCardNumber=0\n"
              "Mode=0\nBaudRate=junk\nSamplingFreq=0\nAFCSpeed=500\nSquelchThreshold=-4\nUnshiftOnSpace=2\n"
              "KeyPortNumber=4\nComMask=3\n"
              "[Window]\nDHeight=30\n");
    form->FormActivate(form);
    const std::string state = State();
    // Centre 0 clamps to 55 + 16; "DHeight" without "MHeight" is not applied.
    for (const char* word : {" mode:6NAVTEX ", " shift:85/32 ", " bins:55/87 ", " baud:50 ", " fs:11025 ",
                             " set:3English/Russian_Ext._Charset ", " ext:0+ ", " afc:199 ", " sql:001/0.000686 ",
                             " uos:0- ", " ptt:4/3/3/0COM4(PTT_Interface_(COM4/RTS_and_DTR)) ", " panes:50,80,50 "})
        EXPECT_NE(state.find(word), std::string::npos) << word << " in " << state;
    EXPECT_FALSE(form->ExtendedBaudot1->Enabled());
    EXPECT_EQ(Tty_Params.SoundCardNumber, 0);
    EXPECT_TRUE(Boxes.empty());

    struct TCase {
        const char* Text;
        int Lower, Upper, Card;
    };
    for (const TCase c : {TCase{"CentreBin=600\nSoundCardNumber=2\n", 473, 557, 2},
                          TCase{"CentreBin=316\nSoundCardNumber=-7\n", 274, 358, -1}}) {
        WriteFile("MORVIK.INI", std::string("[RTTY]\n") + c.Text);
        Restart();
        EXPECT_EQ(Tty_Params.LowerBin, c.Lower) << c.Text;
        EXPECT_EQ(Tty_Params.UpperBin, c.Upper) << c.Text;
        EXPECT_EQ(Tty_Params.SoundCardNumber, c.Card) << c.Text;
    }
}

// Whatever the file says, the whole window is on the screen at a usable size and every pane keeps
// room to be used: the displays a curve, the receive window and the message pane a few lines.
class StoredGeometry : public SettingsWindow {
protected:
    void ExpectUsable(const std::string& file)
    {
        WriteFile("MORVIK.INI", file);
        Restart();
        const TRect r = form->BoundsRect();
        EXPECT_GE(r.Left, 0) << file;
        EXPECT_GE(r.Top, 0) << file;
        EXPECT_LE(r.Right, Screen->Width()) << file;
        EXPECT_LE(r.Bottom, Screen->Height()) << file;
        EXPECT_GE(form->Width(), 200) << file;
        EXPECT_GE(form->FFTBox->Height(), 20) << file;
        EXPECT_GE(form->RxMemo->Height(), 40) << file;
        EXPECT_GE(form->Panel2->Height(), 40) << file;
        EXPECT_GE(form->PaintBox1->Height(), 20) << file;
        // Stacked top to bottom without overlap, the status bar at the bottom of the client area.
        EXPECT_LE(form->FFTBox->Top() + form->FFTBox->Height(), form->RxMemo->Top()) << file;
        EXPECT_LE(form->RxMemo->Top() + form->RxMemo->Height(), form->Panel2->Top()) << file;
        EXPECT_LE(form->Panel2->Top() + form->Panel2->Height(), form->PaintBox1->Top()) << file;
        EXPECT_EQ(form->StatusBar1->Top() + form->StatusBar1->Height(), form->ClientHeight()) << file;
    }
};

TEST_F(StoredGeometry, PlacesAndSizesFarOutsideTheScreenKeepTheWholeWindowOnIt)
{
    ExpectUsable("[Window]\nLeft=-99999\nTop=99999\nHeight=99999\nWidth=3\n");
    EXPECT_EQ(form->Height(), Screen->Height());
    ExpectUsable("[Window]\nLeft=99999\nTop=-99999\nHeight=3\nWidth=99999\n");
    EXPECT_EQ(form->Width(), Screen->Width());
    ExpectUsable("[Window]\nLeft=-5000\nTop=90000\nHeight=3\nWidth=-20\nSHeight=-40\nRHeight=5000\n"
                 "MHeight=-9\nDHeight=0\n");
    ExpectUsable("[Window]\nLeft=-2147483648\nTop=2147483647\nHeight=2147483647\nWidth=-2147483648\n"
                 "SHeight=2147483647\nRHeight=2147483647\nMHeight=2147483647\nDHeight=2147483647\n");
}

TEST_F(StoredGeometry, TinyOrGreedyPanesLeaveEveryPaneUsable)
{
    ExpectUsable("[Window]\nRHeight=1\n");
    ExpectUsable("[Window]\nMHeight=5\nDHeight=300\n");
    ExpectUsable("[Window]\nSHeight=1\nMHeight=1\nDHeight=1\n");
    ExpectUsable("[Window]\nHeight=300\nSHeight=400\nRHeight=400\nMHeight=400\nDHeight=400\n");
    // A greedy pane gives up its room in proportion with the others, not all of theirs.
    WriteFile("MORVIK.INI", "[Window]\nSHeight=60\nRHeight=60\nMHeight=5\nDHeight=3000\n");
    Restart();
    EXPECT_GT(form->FFTBox->Height(), 20);
    EXPECT_GT(form->RxMemo->Height(), 40);
    EXPECT_GT(form->PaintBox1->Height(), form->RxMemo->Height());
}

TEST_F(StoredGeometry, AHiddenOscillogramKeepsItsStripAndFittingValuesAreTakenAsTheyAre)
{
    WriteFile("MORVIK.INI", "[RTTY]\nOscShow=0\n[Window]\nMHeight=100\nDHeight=0\n");
    Restart();
    EXPECT_EQ(form->PaintBox1->Height(), 1);
    WriteFile("MORVIK.INI", "[Window]\nLeft=10\nTop=20\nHeight=500\nWidth=640\nSHeight=60\nRHeight=90\n"
                            "MHeight=100\nDHeight=40\n");
    Restart();
    EXPECT_NE(State().find(" window:10,20,640,500 panes:60,90,40 "), std::string::npos) << State();
    EXPECT_EQ(form->StatusBar1->Top(), form->PaintBox1->Top() + 40);
    // Hidden from the menu and saved: it comes back hidden, with no bar, the message pane as tall.
    form->ViewOscWindowMenuClick(form);
    const int pane = form->Panel2->Height();
    form->SaveSetup1Click(form);
    Restart();
    EXPECT_FALSE(form->Splitter3->Visible());
    EXPECT_EQ(form->Panel2->Height(), pane);
}

// Bytes this process has read and written through system calls so far.
std::pair<long long, long long> ProcessIo()
{
    std::ifstream f("/proc/self/io");
    long long read = -1, written = -1;
    std::string name;
    long long value = 0;
    while (f >> name >> value) {
        if (name == "rchar:")
            read = value;
        if (name == "wchar:")
            written = value;
    }
    return {read, written};
}

// A settings file grown to 50 MB (a section of junk a tool left there) costs one reading at the
// start and one reading and writing at Save Setup, not one per value.
TEST_F(SettingsWindow, AFiftyMegabyteFileIsReadOnceAtTheStartAndOnceBySaveSetup)
{
    // Room for the file (and its copy while it is saved) under the fixture's cap on file sizes.
    rlimit cap{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &cap), 0);
    const rlimit old = cap;
    cap.rlim_cur = std::min<rlim_t>(cap.rlim_max, rlim_t{256} << 20);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &cap), 0);
    struct TRestore {
        rlimit Old;
        ~TRestore() { setrlimit(RLIMIT_FSIZE, &Old); }
    } restore{old};
    std::string text = "[RTTY]\r\nMode=6\r\nOnTop=0\r\n[Junk]\r\n";
    while (text.size() < (50u << 20))
        text += "Key" + std::to_string(text.size()) + "=" + std::string(40, 'v') + "\r\n";
    text += "[Window]\r\nLeft=7\r\n";
    WriteFile("MORVIK.INI", text);
    const long long size = static_cast<long long>(text.size());
    text.clear();
    const auto before = ProcessIo();
    ASSERT_GE(before.first, 0) << "no /proc/self/io";
    Restart();  // creation reads two values, the first activation all the others
    const auto started = ProcessIo();
    EXPECT_EQ(Tty_Params.Mode, 6);
    EXPECT_EQ(form->Left(), 7);
    EXPECT_LT(started.first - before.first, 3 * size);
    form->SaveSetup1Click(form);
    const auto saved = ProcessIo();
    EXPECT_LT(saved.first - started.first, 2 * size);
    EXPECT_LT(saved.second - started.second, 2 * size);
    EXPECT_TRUE(Boxes.empty());
    Restart();
    EXPECT_EQ(Tty_Params.Mode, 6);
    EXPECT_EQ(form->Left(), 7);
}

// A flag stored as another number than 0 or 1 is on, and each press of its item switches it.
TEST_F(SettingsWindow, DisplayScaleFlagsOtherThanZeroOrOneSwitchAtEveryPress)
{
    WriteFile("MORVIK.INI", "[RTTY]\nLogarithmicSpectrum=5\nLogarithmicOscillogram=-3\n");
    form->FormActivate(form);
    auto presses = [&](TMenuItem* item, const int& flag, const std::function<void()>& press) {
        EXPECT_TRUE(item->Checked());
        for (bool on : {false, true, false, true}) {
            press();
            EXPECT_EQ(flag != 0, on);
            EXPECT_EQ(item->Checked(), on);
        }
    };
    presses(form->LogarithmicSpectrogramm1, Tty_Params.LogarithmicSpectrum,
            [&] { form->LogarithmicSpectrogramm1Click(form); });
    presses(form->LogarithmicOscillogram1, Tty_Params.LogarithmicOscillogram,
            [&] { form->LogarithmicOscillogram1Click(form); });
    // Off means the linear scale: half of full scale is drawn halfway up.
    form->LogarithmicSpectrogramm1Click(form);
    EXPECT_EQ(rx::LogScale(0.5, 50, Tty_Params.LogarithmicSpectrum), 25);
}

TEST_F(SettingsWindow, DamagedFilesReadAsDefaultsWithoutABox)
{
    std::string garbage;
    for (int i = 0; i < 4096; ++i)
        garbage.push_back(static_cast<char>((i * 7919) & 0xFF));
    for (const std::string& text : {garbage, std::string("[Other]\nMode=6\n=5\n[Font]\nSize=\nHeight=\n"),
                                    std::string("\xEF\xBB\xBF[Window]\r\nWidth = 700 \r\n")}) {
        WriteFile("MORVIK.INI", text);
        Restart();
        EXPECT_EQ(Tty_Params.Mode, 0);
        EXPECT_EQ(form->RxMemo->Font()->Size(), 10);
        EXPECT_TRUE(Boxes.empty());
    }
    EXPECT_EQ(form->Width(), 700);
}

TEST_F(SettingsWindow, AFailedSaveIsToldAndLaterSavesStillRun)
{
    form->FormActivate(form);
    ASSERT_EQ(mkdir("MORVIK.INI", 0755), 0);  // no one, root included, can write it
    form->SaveSetup1Click(form);
    form->SaveSetup1Click(form);
    ASSERT_EQ(Boxes.size(), 2u);
    EXPECT_EQ(Boxes[0], "morvik|Unable to write to .\\MORVIK.INI.");  // captioned with the program's name
    ASSERT_EQ(rmdir("MORVIK.INI"), 0);
    form->SaveSetup1Click(form);
    EXPECT_EQ(Boxes.size(), 2u);
    EXPECT_NE(ReadFile("MORVIK.INI").find("[Font]"), std::string::npos);

    // A read-only file still gives its values.
    WriteFile("MORVIK.INI", "[RTTY]\nBaudRate=100\n");
    ASSERT_EQ(chmod("MORVIK.INI", 0444), 0);
    Restart();
    EXPECT_EQ(Tty_Params.BaudRate, 100);
}

// ---- commands -----------------------------------------------------------------------------------

TEST_F(SettingsWindow, MenusHoldTheDesignsItemsHiddenOnesHidden)
{
    auto captions = [](TMenuItem* m) {
        std::string s;
        for (int i = 0; i < m->Count(); ++i)
            s += (m->Items(i)->Visible() ? "" : "~") + m->Items(i)->Caption() + "|";
        return s;
    };
    EXPECT_EQ(captions(form->Setup1),
              "~PTT Interface (NONE)|~-|English  Charset|Russian Charset|English/Russian Ext. Charset|"
              "Swedish Charset|~User-defined Charset|-|Unshift On Space|Extended Baudot|Fast Sync in NAVTEX|"
              "Don't Save SYNOP Messages|-|View|Fonts and Colors|~-|~Time Zone|-|Save Setup|");
    EXPECT_EQ(captions(form->FontsandColors1), "Rx Window Font Setup|Rx Window Background Setup|"
                                               "Spectrogramm Background Setup|Oscillogramm Background Setup|");
    EXPECT_EQ(captions(form->Help1), "Contents|About|");
    EXPECT_EQ(form->PTTInterfaceMenu->Count(), 20);
    EXPECT_EQ(form->TimeZone1->Count(), 34);
    int breaks = 0;
    for (TMenuItem* z : form->TimeZoneItems)
        breaks += z->Break() == mbBreak;
    EXPECT_EQ(breaks, 3);
    EXPECT_EQ(form->TimeZoneItems[9]->Break(), mbBreak);  // "UTC -04:00"
    // The user-defined set is one of the radio group of the character sets.
    DialogFile = "user.txt";
    WriteFile("user.txt", "-.  X\n");
    form->UserdefinedCharset1Click(form);
    EXPECT_TRUE(form->UserdefinedCharset1->Checked());
    EXPECT_FALSE(form->EnglishCharset1->Checked());
    EXPECT_STREQ(UserCharsetTable.Entry[6].data(), "X");
    // Each sub-menu with a handler holds the displays off as it opens.
    for (TMenuItem* sub : {form->View1, form->FontsandColors1, form->Help1, form->Setup1}) {
        Tty_Params.HoldOffTicks = 0;
        ShowSubMenu(sub);
        EXPECT_EQ(Tty_Params.HoldOffTicks, kMenuHoldOffTicks) << sub->Caption();
        CloseMenus();
    }
    form->PTTInterfaceMenuClick(form);
    EXPECT_EQ(Tty_Params.HoldOffTicks, kMenuHoldOffTicks);
}

TEST_F(SettingsWindow, AUserSetThatCannotBeTakenIsToldAndTheSetInUseStays)
{
    WriteFile("empty.txt", "");
    WriteFile("bad.txt", "hello\n");
    for (const char* name : {"empty.txt", "bad.txt", "missing.txt"}) {
        DialogFile = name;
        form->UserdefinedCharset1Click(form);
        EXPECT_EQ(Tty_Params.CharsetIndex, 0) << name;
        EXPECT_TRUE(form->EnglishCharset1->Checked()) << name;
        EXPECT_EQ(Tty_Params.UserCharsetFile, "") << name;
    }
    ASSERT_EQ(Boxes.size(), 3u);
    EXPECT_NE(Boxes[0].find("empty.txt is empty"), std::string::npos) << Boxes[0];
    EXPECT_NE(Boxes[1].find("Line 1"), std::string::npos) << Boxes[1];
    EXPECT_NE(Boxes[2].find("missing.txt"), std::string::npos) << Boxes[2];
    DialogFile = "";
    form->UserdefinedCharset1Click(form);
    EXPECT_EQ(Boxes.size(), 3u);
}

TEST_F(SettingsWindow, FontAndColourDialogsApplyOnlyWhenConfirmed)
{
    form->FormActivate(form);
    int answer = IDCANCEL;
    TColor shown = clNone;
    OtherDialog = [&](TObject* d) {
        if (auto* c = dynamic_cast<TColorDialog*>(d)) {
            shown = c->Color;
            c->Color = clTeal;
        }
        if (auto* fd = dynamic_cast<TFontDialog*>(d)) {
            EXPECT_EQ(fd->Font()->Name(), form->RxMemo->Font()->Name());
            EXPECT_EQ(fd->Options, FontDialogOption(fdEffects));
            fd->Font()->SetName("DejaVu Sans Mono");
            fd->Font()->SetColor(clGreen);
        }
        return answer;
    };
    const std::string viewerFont = form->MessageMemo->Font()->Name();
    TriggerMenuItem(form->RxWindowFontSetup1);
    TriggerMenuItem(form->RxWindowBackgroundSetup1);
    TriggerMenuItem(form->SpectrogrammBackgroundSetup1);
    TriggerMenuItem(form->OscillogrammBackgroundSetup1);
    EXPECT_EQ(State(), kDefaults);
    EXPECT_EQ(form->MessageMemo->Font()->Name(), viewerFont);

    answer = IDOK;
    TriggerMenuItem(form->RxWindowFontSetup1);
    EXPECT_EQ(form->RxMemo->Font()->Name(), "DejaVu Sans Mono");
    EXPECT_EQ(form->MessageMemo->Font()->Name(), "DejaVu Sans Mono");
    EXPECT_EQ(form->MessageMemo->HighlightColor(), clGreen);
    EXPECT_EQ(form->RxMemo->HighlightColor(), clGreen);
    TriggerMenuItem(form->SpectrogrammBackgroundSetup1);
    EXPECT_EQ(Tty_Params.FFTBackground, clTeal);
    // The colour dialog opens on the colour last chosen in any of the three.
    shown = clNone;
    TriggerMenuItem(form->OscillogrammBackgroundSetup1);
    EXPECT_EQ(shown, clTeal);
    EXPECT_EQ(Tty_Params.OscBackground, clTeal);
    TriggerMenuItem(form->RxWindowBackgroundSetup1);
    EXPECT_EQ(form->MessageMemo->Color(), clTeal);
    EXPECT_EQ(form->MessageMemo->HighlightBackgnd(), clTeal);
    EXPECT_EQ(form->RxMemo->HighlightBackgnd(), clTeal);
    EXPECT_FALSE(FileExists("MORVIK.INI"));
}

TEST_F(SettingsWindow, HelpOpensTheTextBesideTheProgramOnF1AndFromTheMenu)
{
    std::vector<std::string> started;
    SetShellLauncher([&](const std::string& program, const std::vector<std::string>& args, const std::string&) {
        started.push_back(program + " " + (args.empty() ? "" : args[0]));
        return true;
    });
    form->Show();
    uitest::Pump();
    Input::PressKey(VK_F1, ssCtrl | ssShift);
    Word key = VK_F1;
    form->FormKeyDown(form, key, 0);
    EXPECT_EQ(key, VK_F1);  // not consumed
    TriggerMenuItem(form->HelpContents1);
    SetShellLauncher(nullptr);
    ASSERT_EQ(started.size(), 3u);
    EXPECT_EQ(started[0], started[2]);
    EXPECT_EQ(started[0].substr(0, 9), "xdg-open ");
    EXPECT_EQ(started[0].substr(started[0].size() - 16), "/morvik-help.txt");
    EXPECT_TRUE(Boxes.empty());
}

TEST_F(SettingsWindow, TheAboutBoxShowsItsLinksAndClosesWithOk)
{
    std::vector<std::string> started;
    SetShellLauncher([&](const std::string& program, const std::vector<std::string>& args, const std::string&) {
        started.push_back(program + " " + args.at(0));
        return true;
    });
    TAbout* box = nullptr;
    SetModalHook([&](TObject* d, int&) {
        box = dynamic_cast<TAbout*>(d);
        if (!box)
            return false;
        uitest::Pump();
        Input::Click(box->Label2, 20, 5);
        Input::Click(box->Label4, 20, 5);
        Input::Click(box->Button1, 10, 10);
        return false;
    });
    TriggerMenuItem(form->About1);
    SetShellLauncher(nullptr);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->ModalResult(), mrOk);
    std::ostringstream design;
    design << box->Caption() << "|" << box->ClientWidth() << "x" << box->ClientHeight() << "|" << box->txt1->Caption()
           << "|" << box->Button1->Left() << "," << box->Button1->Top() << "," << box->Button1->Width() << ","
           << box->Button1->Height() << "|" << (box->Label2->Cursor() == crHandPoint) << (box->BorderStyle() == bsDialog)
           << (box->Position() == poScreenCenter) << "|";
    for (TLabel* l : {box->txt1, box->Label1, box->Label2, box->Label4})
        design << l->Top() << "," << l->Font()->Height() << " ";
    EXPECT_EQ(design.str(), "About Morvik|342x208|Morvik  V1.0|150,176,50,25|111|18,-27 58,-16 98,-13 136,-13 ");
    ASSERT_EQ(started.size(), 2u);
    EXPECT_EQ(started[0], "xdg-open " + box->Label2->Caption());
    EXPECT_EQ(started[0].substr(0, 16), "xdg-open mailto:");
    EXPECT_EQ(started[1], "xdg-open " + box->Label4->Caption());
    // Shown again, the same box.
    uitest::AnswerNextDialog([](TObject*) { return mrOk; });
    form->About1Click(form);
    EXPECT_EQ(About, box);
}

}  // namespace

namespace {

// Sizes stored below the smallest give the smallest window, and there the menu bar shows every
// menu on itself: none is moved behind the bar's overflow button.
TEST_F(StoredGeometry, TheSmallestWindowShowsEveryMenu)
{
    for (const char* file : {"[Window]\nHeight=-100\nWidth=-100\n", "[Window]\nWidth=0\n", "[Window]\nWidth=1\n"}) {
        WriteFile("MORVIK.INI", file);
        Restart();
        form->Show();
        uitest::Pump();
        std::string hidden;
        int shown = 0;
        for (int i = 0; i < form->MainMenu1->Items()->Count(); ++i) {
            TMenuItem* menu = form->MainMenu1->Items()->Items(i);
            if (MenuBarItemShown(menu))
                ++shown;
            else
                hidden += menu->Caption() + " ";
        }
        EXPECT_EQ(hidden, "") << file << " width " << form->Width();
        EXPECT_EQ(shown, 6) << file;
        // The smallest that shows them, not wider.
        EXPECT_EQ(form->ClientWidth(), MenuBarWidth(form->MainMenu1)) << file;
    }
}

}  // namespace
