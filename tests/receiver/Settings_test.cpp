// The settings file, the menu commands that change what it keeps, the PTT port and time zone,
// the dialogs, help and the about box.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <fstream>
#include <sstream>

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
                          TCase{" - 5", -99}, TCase{"99999999999", INT_MAX}, TCase{"-99999999999", INT_MIN},
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
    struct TCase {
        int Port, Mask;
        const char* Caption;
        int Code, Stored, First, Second;
    };
    for (const TCase c : {TCase{1, 2, "PTT Interface (COM1/RTS)", 1, 2, 2, 0},
                          TCase{1, 1, "PTT Interface (COM1/DTR)", 1, 1, 1, 0},
                          TCase{12, 3, "PTT Interface (COM6/RTS and DTR)", 12, 3, 3, 0},
                          TCase{15, 1, "PTT Interface (COM9/DTR)", 15, 1, 1, 0},
                          TCase{16, 0, "PTT Interface (NONE)", 0, 2, 0, 0},
                          TCase{-3, 1, "PTT Interface (NONE)", 0, 1, 0, 0},
                          TCase{5, 1, "PTT Interface (LPT-378)", 5, 1, 0x26, 0xC0},
                          TCase{7, 2, "PTT Interface (LPT-3BC)", 7, 2, 0x26, 0xC0},
                          TCase{9, 3, "PTT Interface (LPT-278/QX5B)", 9, 3, 0x04, 0x01}}) {
        const rx::TPttChoice r = rx::ChoosePtt(c.Port, c.Mask);
        EXPECT_EQ(r.MenuCaption, c.Caption) << c.Port << "/" << c.Mask;
        TTtyParams p;
        rx::StorePtt(p, r);
        EXPECT_EQ(p.KeyPortNumber, c.Code) << c.Port;
        EXPECT_EQ(p.ComMask, c.Stored) << c.Port;
        EXPECT_EQ(p.PttByte1, c.First) << c.Port;
        EXPECT_EQ(p.PttByte2, c.Second) << c.Port;
    }
}

TEST(SettingsText, TimeZoneCaptionsClampsAndItems)
{
    struct TCase {
        int Offset;
        const char* Caption;
        const char* Item;  // "" when no item has the offset
    };
    for (const TCase c : {TCase{-1, "Time Zone (By OS)", "ByOS1"}, TCase{0, "Time Zone (UTC)", "UTC0000"},
                          TCase{330, "Time Zone (UTC -05:30)", ""}, TCase{-330, "Time Zone (UTC +05:30)", "UTCp0530"},
                          TCase{30, "Time Zone (UTC -00:30)", ""}, TCase{720, "Time Zone (UTC -12:00)", "UTCm1200"},
                          TCase{-720, "Time Zone (UTC +12:00)", "UTCp1200"}, TCase{-2, "Time Zone (UTC +00:02)", ""}}) {
        EXPECT_EQ(rx::TimeZoneCaption(c.Offset), c.Caption);
        const int item = rx::TimeZoneItem(c.Offset);
        EXPECT_EQ(item < 0 ? std::string() : rx::TimeZones[std::size_t(item)].Name, c.Item) << c.Offset;
    }
    EXPECT_EQ(rx::ClampUtcOffset(1000), 780);
    EXPECT_EQ(rx::ClampUtcOffset(-2000), -780);
    EXPECT_EQ(rx::ClampUtcOffset(780), 780);
    EXPECT_EQ(rx::ClampUtcOffset(-780), -780);
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
    TMenuItem* Named(const std::string& name)
    {
        return dynamic_cast<TMenuItem*>(form->FindComponent(name));
    }
};

TEST_F(SettingsWindow, NoSettingsFileGivesEveryDefault)
{
    form->FormActivate(form);
    const TTtyParams& p = Tty_Params;
    EXPECT_EQ(p.BaudRate, 50);
    EXPECT_EQ(p.ShiftHz, 450);
    EXPECT_EQ(p.Mode, 0);
    EXPECT_EQ(p.SamplingFreq, 11025.0);
    EXPECT_TRUE(form->AfcButton->Down());
    EXPECT_EQ(form->AfcUpDown->Position(), 10);
    EXPECT_FALSE(form->SquelchButton->Down());
    EXPECT_EQ(p.IsSquelch, 0);
    EXPECT_EQ(form->SquelchUpDown->Position(), 50);
    EXPECT_NEAR(p.SquelchLevel, 0.035584, 1e-6);
    EXPECT_EQ(p.LowerBin, 274);
    EXPECT_EQ(p.UpperBin, 358);
    EXPECT_EQ(p.CharsetIndex, 0);
    EXPECT_TRUE(form->EnglishCharset1->Checked());
    EXPECT_TRUE(form->ExtendedBaudot1->Enabled());
    EXPECT_EQ(p.OscShow, 1);
    EXPECT_EQ(p.LogarithmicSpectrum + p.LogarithmicOscillogram + p.DoFastSync + p.IgnoreSYNOP, 4);
    EXPECT_TRUE(form->FastSync1->Checked() && form->DontSaveSYNOPMessages1->Checked());
    EXPECT_EQ(p.SoundCardNumber, -1);
    EXPECT_EQ(p.UTCoffset, -1);
    EXPECT_EQ(form->BoundsRect(), Bounds(247, 111, 532, 427));
    EXPECT_EQ(form->FFTBox->Height(), 50);
    EXPECT_EQ(form->RxMemo->Height(), 80);
    EXPECT_EQ(form->PaintBox1->Height(), 50);
    EXPECT_EQ(form->FormStyle(), fsNormal);
    const TFont* f = form->RxMemo->Font();
    EXPECT_EQ(f->Name(), "MS Sans Serif");
    EXPECT_EQ(f->Size(), 10);
    EXPECT_EQ(f->Style(), FontStyle(fsBold));
    EXPECT_EQ(f->Charset(), 204);
    EXPECT_EQ(f->Color(), clWindowText);
    EXPECT_EQ(form->RxMemo->Color(), clWindow);
    EXPECT_EQ(form->RxMemo->HighlightBackgnd(), clWindow);
    EXPECT_EQ(form->MessageMemo->HighlightColor(), clWindowText);
    EXPECT_EQ(form->PTTInterfaceMenu->Caption(), "PTT Interface (NONE)");
    EXPECT_TRUE(form->PttPortItems[0]->Checked() && form->UseRTS1->Checked());
    EXPECT_EQ(form->TimeZone1->Caption(), "Time Zone (By OS)");
    EXPECT_TRUE(Named("ByOS1")->Checked());
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
    TriggerMenuItem(form->N75Baud1);
    TriggerMenuItem(form->N850HzShift1);
    TriggerMenuItem(form->AMTORFEC1);
    TriggerMenuItem(form->UnshiftOnSpace1);
    TriggerMenuItem(form->FastSync1);
    TriggerMenuItem(form->DontSaveSYNOPMessages1);
    DialogFile = "user.txt";
    TriggerMenuItem(form->UserdefinedCharset1);  // hidden: the menu cannot choose it
    EXPECT_EQ(FileDialogs, 0);
    form->UserdefinedCharset1Click(form);
    EXPECT_EQ(Tty_Params.CharsetIndex, 3);
    TriggerMenuItem(form->SwedishCharset1);
    TriggerMenuItem(form->ExtendedBaudot1);
    TriggerMenuItem(Named("Com6Ptt"));
    TriggerMenuItem(Named("UseDTR1"));
    TriggerMenuItem(form->ViewOscWindowMenu);
    Input::PressKey('Z', ssAlt);
    Input::PressKey('Z', ssCtrl);
    TriggerMenuItem(Named("UTCp0530"));
    form->SetBounds(90, 70, 600, 520);
    form->FFTBox->SetHeight(70);
    form->RxMemo->SetHeight(120);
    TColor nextColour = clNavy;
    OtherDialog = [&](TObject* d) {
        if (auto* c = dynamic_cast<TColorDialog*>(d)) {
            c->Color = nextColour;
            return IDOK;
        }
        if (auto* fd = dynamic_cast<TFontDialog*>(d)) {
            fd->Font()->SetName("DejaVu Serif");
            fd->Font()->SetSize(12);
            fd->Font()->SetStyle(FontStyle(fsItalic) | FontStyle(fsUnderline));
            fd->Font()->SetColor(clMaroon);
            fd->Font()->SetPitch(fpFixed);
            return IDOK;
        }
        return IDCANCEL;
    };
    TriggerMenuItem(form->SpectrogrammBackgroundSetup1);
    nextColour = TColor(0x123456);
    TriggerMenuItem(form->OscillogrammBackgroundSetup1);
    nextColour = clYellow;
    TriggerMenuItem(form->RxWindowBackgroundSetup1);
    TriggerMenuItem(form->RxWindowFontSetup1);
    Tty_Params.HoldOffTicks = 9;
    TriggerMenuItem(form->SaveSetup1);
    EXPECT_EQ(Tty_Params.HoldOffTicks, 0);
    ASSERT_TRUE(Boxes.empty()) << Boxes.front();

    SetArgs({});
    Restart();
    const TTtyParams& p = Tty_Params;
    EXPECT_EQ(form->FormStyle(), fsStayOnTop);  // from creation's read of "RTTY"
    EXPECT_TRUE(form->OnTopButton->Down());
    EXPECT_FALSE(form->AfcButton->Down());
    EXPECT_EQ(form->AfcUpDown->Position(), 11);
    EXPECT_EQ(p.IsSquelch, 1);
    EXPECT_TRUE(form->SquelchButton->Down());
    EXPECT_EQ(form->SquelchUpDown->Position(), 49);
    EXPECT_DOUBLE_EQ(p.SquelchLevel, 2 * std::exp(-51 / 12.41));
    EXPECT_EQ(p.SamplingFreq, 11024.5);
    EXPECT_EQ(p.Mode, 6);
    EXPECT_TRUE(form->AMTORFEC1->Checked());
    EXPECT_EQ(p.BaudRate, 75);
    EXPECT_EQ(p.ShiftHz, 850);
    EXPECT_EQ(p.ShiftBins, 32);  // NAVTEX places its tones 170 Hz apart
    EXPECT_EQ(p.Reverse, 1);
    EXPECT_EQ(form->ReverseButton->Caption(), "Reverse");
    EXPECT_EQ(p.UnshiftOnSpace, 1);
    EXPECT_TRUE(form->UnshiftOnSpace1->Checked());
    EXPECT_EQ(Panel(5), "UoS");
    EXPECT_EQ((p.LowerBin + p.UpperBin) / 2, 300);
    EXPECT_EQ(p.DoFastSync, 0);
    EXPECT_FALSE(form->FastSync1->Checked());
    EXPECT_EQ(p.IgnoreSYNOP, 0);
    EXPECT_FALSE(form->DontSaveSYNOPMessages1->Checked());
    EXPECT_EQ(p.CharsetIndex, 2);
    EXPECT_TRUE(form->SwedishCharset1->Checked());
    EXPECT_FALSE(form->EnglishCharset1->Checked());
    EXPECT_EQ(p.UserCharsetFile, "user.txt");
    EXPECT_EQ(p.ExtendedBaudot, 1);
    EXPECT_TRUE(form->ExtendedBaudot1->Checked());
    EXPECT_EQ(p.KeyPortNumber, 12);
    EXPECT_EQ(p.ComMask, 1);
    EXPECT_EQ(p.PttByte1, 1);
    EXPECT_EQ(form->PTTInterfaceMenu->Caption(), "PTT Interface (COM6/DTR)");
    EXPECT_TRUE(Named("Com6Ptt")->Checked() && Named("UseDTR1")->Checked());
    EXPECT_FALSE(form->UseRTS1->Checked());
    EXPECT_EQ(p.OscShow, 0);
    EXPECT_FALSE(form->ViewOscWindowMenu->Checked());
    EXPECT_EQ(p.LogarithmicSpectrum, 0);
    EXPECT_FALSE(form->LogarithmicSpectrogramm1->Checked());
    EXPECT_EQ(p.LogarithmicOscillogram, 0);
    EXPECT_FALSE(form->LogarithmicOscillogram1->Checked());
    EXPECT_EQ(p.UTCoffset, -330);
    EXPECT_TRUE(Named("UTCp0530")->Checked());
    EXPECT_EQ(form->TimeZone1->Caption(), "Time Zone (UTC +05:30)");
    EXPECT_EQ(form->BoundsRect(), Bounds(90, 70, 600, 520));
    EXPECT_EQ(form->FFTBox->Height(), 70);
    EXPECT_EQ(form->RxMemo->Height(), 120);
    EXPECT_EQ(form->PaintBox1->Height(), 1);  // hidden when saved
    EXPECT_EQ(p.FFTBackground, clNavy);
    EXPECT_EQ(p.OscBackground, 0x123456);
    const TFont* f = form->RxMemo->Font();
    EXPECT_EQ(f->Name(), "DejaVu Serif");
    EXPECT_EQ(f->Size(), 12);
    EXPECT_EQ(f->Style(), FontStyle(fsItalic) | FontStyle(fsUnderline));
    EXPECT_EQ(f->Color(), clMaroon);
    EXPECT_EQ(f->Charset(), 204);
    EXPECT_EQ(f->Pitch(), fpFixed);
    EXPECT_EQ(form->MessageMemo->Font()->Pitch(), fpFixed);
    EXPECT_EQ(form->RxMemo->HighlightColor(), clMaroon);
    EXPECT_EQ(form->MessageMemo->HighlightColor(), clMaroon);
    EXPECT_EQ(form->RxMemo->Color(), clYellow);
    EXPECT_EQ(form->RxMemo->HighlightBackgnd(), clYellow);

    // Written in the save's order; the hand-set device number stays in the file.
    std::string text = ReadFile("MORVIK.INI");
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    std::string keys;
    std::istringstream lines(text);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "[RTTY]");
    for (; std::getline(lines, line);)
        if (!line.empty())
            keys += line.substr(0, line.find('=')) + " ";
    EXPECT_EQ(keys,
              "OnTop AFC AFCSpeed CentreBin Charset UserCharsetFile SamplingFreq BaudRate Shift Reverse "
              "UnshiftOnSpace ExtendedBaudot KeyPortNumber ComMask IsSquelch SquelchThreshold Mode DoFastSync "
              "IgnoreSYNOP OscShow LogarithmicSpectrum LogarithmicOscillogram UTCoffset [Window] Left Top Height "
              "Width SHeight RHeight MHeight DHeight FFTBackground OscBackground [Font] Name Charset Color Height "
              "Pitch Size Style Background ");
    EXPECT_NE(text.find("UserCharsetFile=\"user.txt\""), std::string::npos);
    EXPECT_NE(text.find("Name=\"DejaVu Serif\""), std::string::npos);
    EXPECT_NE(text.find("SamplingFreq=11024.5\n"), std::string::npos);
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
    EXPECT_EQ(Tty_Params.Mode, 6);
    EXPECT_EQ(Tty_Params.ShiftHz, 85);
    EXPECT_EQ(Tty_Params.ShiftBins, 32);
    EXPECT_EQ(Tty_Params.LowerBin, 55);  // centre 0 clamps to 55 + 16
    EXPECT_EQ(Tty_Params.UpperBin, 87);
    EXPECT_EQ(Tty_Params.BaudRate, 50);
    EXPECT_EQ(Tty_Params.SamplingFreq, 11025.0);
    EXPECT_EQ(Tty_Params.SoundCardNumber, 0);
    EXPECT_EQ(Tty_Params.CharsetIndex, 3);
    EXPECT_TRUE(form->EnglishRussianCharset1->Checked());
    EXPECT_TRUE(form->ExtendedBaudot1->Checked());
    EXPECT_FALSE(form->ExtendedBaudot1->Enabled());
    EXPECT_EQ(Tty_Params.ExtendedBaudot, 0);
    EXPECT_EQ(form->AfcUpDown->Position(), 99);
    EXPECT_EQ(form->SquelchUpDown->Position(), 1);
    EXPECT_DOUBLE_EQ(Tty_Params.SquelchLevel, 2 * std::exp(-99 / 12.41));
    EXPECT_EQ(Tty_Params.UnshiftOnSpace, 0);
    EXPECT_EQ(form->PTTInterfaceMenu->Caption(), "PTT Interface (COM4/RTS and DTR)");
    EXPECT_EQ(form->PaintBox1->Height(), 50);  // "DHeight" alone is not applied
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

TEST_F(SettingsWindow, PanesAndWindowOutOfRangeStayVisible)
{
    WriteFile("MORVIK.INI", "[Window]\nLeft=-5000\nTop=90000\nHeight=3\nWidth=-20\nSHeight=-40\nRHeight=5000\n"
                            "MHeight=-9\nDHeight=0\n");
    form->FormActivate(form);
    EXPECT_GE(form->Width(), 200);
    EXPECT_GE(form->Height(), 200);
    EXPECT_GT(form->Left() + form->Width(), 0);
    EXPECT_LT(form->Top(), Screen->Height());
    EXPECT_GE(form->FFTBox->Height(), form->Splitter1->MinSize());
    EXPECT_GE(form->PaintBox1->Height(), 1);
    EXPECT_GE(form->Panel2->Height(), 20);
    EXPECT_LE(form->StatusBar1->Top() + form->StatusBar1->Height(), form->ClientHeight());

    // Values that fit are taken as they are, the oscillogram stacked under the message pane.
    WriteFile("MORVIK.INI", "[Window]\nLeft=10\nTop=20\nHeight=500\nWidth=640\nSHeight=60\nRHeight=90\n"
                            "MHeight=100\nDHeight=40\n");
    Restart();
    EXPECT_EQ(form->BoundsRect(), Bounds(10, 20, 640, 500));
    EXPECT_EQ(form->FFTBox->Height(), 60);
    EXPECT_EQ(form->RxMemo->Height(), 90);
    EXPECT_EQ(form->PaintBox1->Height(), 40);
    EXPECT_EQ(form->StatusBar1->Top(), form->PaintBox1->Top() + 40);
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
    EXPECT_EQ(Boxes[0], "|Unable to write to .\\MORVIK.INI.");
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
    EXPECT_EQ(form->RxMemo->Font()->Name(), "MS Sans Serif");
    EXPECT_EQ(form->MessageMemo->Font()->Name(), viewerFont);
    EXPECT_EQ(form->RxMemo->Color(), clWindow);
    EXPECT_EQ(Tty_Params.FFTBackground, 16777215);
    EXPECT_EQ(Tty_Params.OscBackground, 16777215);

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
    EXPECT_EQ(box->Caption(), "About Morvik");
    EXPECT_EQ(box->ClientWidth(), 342);
    EXPECT_EQ(box->ClientHeight(), 208);
    EXPECT_EQ(box->txt1->Caption(), "Morvik  V1.0");
    EXPECT_EQ(box->Button1->BoundsRect(), Bounds(150, 176, 50, 25));
    EXPECT_EQ(box->Label2->Cursor(), crHandPoint);
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
