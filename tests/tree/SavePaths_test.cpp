// The control libraries' own ways of saving a file (a tree's items, a header's sections, the settings
// store) keep the old file through a full disk, a failing write, a folder the user may not write to,
// a long name and a pipe that nothing reads (tests/support/SaveFaults.h).
#include <gtest/gtest.h>

#include <cctype>
#include <memory>
#include <string>
#include <vector>

#include "ctlbase/Exini.h"
#include "platform/Forms.h"
#include "tests/support/SaveFaults.h"
#include "tree/Extree.h"

namespace {

using savetest::TSavePath;

// A tree on a form of its own, with columns and items enough that no save of it is small.
struct TFilledTree {
    std::unique_ptr<TForm> Form{new TForm(nullptr)};
    TExTree* Tree = new TExTree(Form.get());
    TFilledTree()
    {
        Tree->SetParent(Form.get());
        Tree->SetBounds(0, 0, 300, 200);
        Form->AfterConstruction();
        for (int i = 0; i < 12; ++i)
            Tree->Header()->Sections()->AddSection()->SetText("Column " + std::to_string(i));
        Tree->Items()->BeginUpdate();
        for (int i = 0; i < 40; ++i) {
            TExTreeItem* item = Tree->Items()->Add(nullptr, "Message " + std::to_string(i));
            Tree->Items()->AddChild(item, "Station " + std::to_string(i));
        }
        Tree->Items()->EndUpdate();
    }
};

std::vector<TSavePath> Paths()
{
    return {
        {"TExTreeItems", ".tree",
         [](const std::string& F) {
             TFilledTree t;
             t.Tree->Items()->SaveToFile(F);
             return true;
         }},
        {"TExHeaderSections", ".hdr",
         [](const std::string& F) {
             TFilledTree t;
             t.Tree->Header()->Sections()->SaveToFile(F);
             return true;
         }},
        {"TExIniFile as text", ".ini",
         [](const std::string& F) {
             TExIniFile ini(nullptr);
             for (int i = 0; i < 30; ++i)
                 ini.WriteString("\\Section", "Key" + std::to_string(i), "value " + std::to_string(i));
             ini.SetPath(F);
             return ini.Save();
         }},
        {"TExIniFile as binary", ".bin",
         [](const std::string& F) {
             TExIniFile ini(nullptr);
             ini.SetBinaryMode(true);
             for (int i = 0; i < 30; ++i)
                 ini.WriteString("\\Section", "Key" + std::to_string(i), "value " + std::to_string(i));
             ini.SetPath(F);
             return ini.Save();
         }},
    };
}

class SavePaths : public ::testing::TestWithParam<TSavePath> {
protected:
    void SetUp() override { Application->Initialize(); }
};

TEST_P(SavePaths, KeepTheOldFileThroughEveryFault) { savetest::ExpectEveryFaultKeepsTheOldFile(GetParam()); }

INSTANTIATE_TEST_SUITE_P(Controls, SavePaths, ::testing::ValuesIn(Paths()), [](const auto& Info) {
    std::string name;
    for (char c : Info.param.Name)
        if (std::isalnum(static_cast<unsigned char>(c)))
            name += c;
    return name;
});

}  // namespace
