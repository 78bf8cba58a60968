// Every way the platform saves a file keeps the old file through a full disk, a failing write, a
// folder the user may not write to, a long name and a pipe that nothing reads (tests/support/
// SaveFaults.h); an empty picture saves as an empty file and loads back as an empty picture in every
// format.
#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "platform/ExtCtrls.h"
#include "platform/FileUtils.h"
#include "platform/Forms.h"
#include "platform/Graphics.h"
#include "platform/IniFiles.h"
#include "platform/StdCtrls.h"
#include "tests/support/SaveFaults.h"
#include "tests/support/UiTest.h"

namespace {

using savetest::TSavePath;

// A picture with enough in it that no format squeezes it small.
void Paint(TBitmap& B, int Size)
{
    B.SetSize(Size, Size);
    for (int y = 0; y < Size; ++y)
        for (int x = 0; x < Size; ++x)
            B.Canvas()->SetPixel(x, y, TColor(((x * 37 + y * 91) * 2654435761u) & 0xFFFFFF));
}

HICON MadeIcon()
{
    TBitmap colour, mask;
    Paint(colour, 32);
    mask.SetSize(32, 32);
    mask.Canvas()->Brush()->SetColor(clBlack);
    mask.Canvas()->FillRect(TRect{0, 0, 32, 32});
    ICONINFO info;
    info.hbmColor = colour.Handle();
    info.hbmMask = mask.Handle();
    return CreateIconIndirect(&info);
}

std::string Text(int Lines)
{
    std::string s;
    for (int i = 0; i < Lines; ++i)
        s += "line " + std::to_string(i) + " of what is saved\r\n";
    return s;
}

std::vector<TSavePath> Paths()
{
    return {
        {"StoreFileContents", "", [](const std::string& F) { return StoreFileContents(F, Text(40)); }},
        {"TMemoryStream", "",
         [](const std::string& F) {
             TMemoryStream m;
             const std::string t = Text(40);
             m.WriteBuffer(t.data(), Int64(t.size()));
             m.SaveToFile(F);
             return true;
         }},
        {"TStringList", ".txt",
         [](const std::string& F) {
             TStringList l;
             l.SetText(Text(40));
             l.SaveToFile(F);
             return true;
         }},
        {"TBitmap as BMP", ".bmp",
         [](const std::string& F) {
             TBitmap b;
             Paint(b, 24);
             b.SaveToFile(F);
             return true;
         }},
        {"TBitmap as PNG", ".png",
         [](const std::string& F) {
             TBitmap b;
             Paint(b, 24);
             b.SaveToFile(F);
             return true;
         }},
        {"TIcon", ".ico",
         [](const std::string& F) {
             TIcon i;
             i.SetHandle(MadeIcon());
             i.SaveToFile(F);
             return true;
         }},
        {"TPicture", ".bmp",
         [](const std::string& F) {
             TPicture p;
             Paint(*p.Bitmap(), 24);
             p.SaveToFile(F);
             return true;
         }},
        {"TIniFile value", ".ini",
         [](const std::string& F) {
             TIniFile ini(F);
             ini.WriteString("Section", "Key", Text(20));
             return true;
         }},
        {"TIniFile update", ".ini",
         [](const std::string& F) {
             TIniFile ini(F);
             ini.BeginUpdate();
             for (int i = 0; i < 20; ++i)
                 ini.WriteString("Section", "Key" + std::to_string(i), "value " + std::to_string(i));
             ini.EndUpdate();
             return true;
         }},
        {"SaveControlImage", ".png",
         [](const std::string& F) {
             std::unique_ptr<TForm> form(new TForm(nullptr));
             form->SetBounds(0, 0, 160, 120);
             auto* memo = new TMemo(form.get());
             memo->SetParent(form.get());
             memo->SetAlign(alClient);
             memo->Lines()->SetText(Text(12));
             form->Show();
             return SaveControlImage(form.get(), F);
         }},
    };
}

class SavePaths : public ::testing::TestWithParam<TSavePath> {
protected:
    void SetUp() override { Application->Initialize(); }
};

TEST_P(SavePaths, KeepTheOldFileThroughEveryFault) { savetest::ExpectEveryFaultKeepsTheOldFile(GetParam()); }

INSTANTIATE_TEST_SUITE_P(Platform, SavePaths, ::testing::ValuesIn(Paths()), [](const auto& Info) {
    std::string name;
    for (char c : Info.param.Name)
        if (std::isalnum(static_cast<unsigned char>(c)))
            name += c;
    return name;
});

std::string Contents(const std::string& File)
{
    std::ifstream f(File, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

// One rule for an empty picture, every format alike: it saves as an empty file (over an old one
// whole, as any save) and an empty file loads back as an empty picture.
TEST(EmptyPictures, SaveAsAnEmptyFileAndLoadBackEmptyInEveryFormat)
{
    const std::string dir = uitest::TempDir();
    for (const char* ext : {".bmp", ".png", ".ico"}) {
        SCOPED_TRACE(ext);
        const std::string file = dir + "/empty" + ext;
        {
            std::ofstream old(file, std::ios::binary);
            old << "old picture";
        }
        std::unique_ptr<TGraphic> empty, back;
        if (std::string(ext) == ".ico") {
            empty = std::make_unique<TIcon>();
            back = std::make_unique<TIcon>();
            static_cast<TIcon*>(back.get())->SetHandle(MadeIcon());
        } else {
            empty = std::make_unique<TBitmap>();
            auto* b = new TBitmap;
            Paint(*b, 4);
            back.reset(b);
        }
        ASSERT_TRUE(empty->Empty());
        EXPECT_NO_THROW(empty->SaveToFile(file));
        EXPECT_EQ(Contents(file), "");
        EXPECT_NO_THROW(back->LoadFromFile(file));
        EXPECT_TRUE(back->Empty());
    }
    // A width without a height is empty too.
    TBitmap flat;
    flat.SetSize(5, 0);
    flat.SaveToFile(dir + "/flat.png");
    EXPECT_EQ(Contents(dir + "/flat.png"), "");
}

}  // namespace
