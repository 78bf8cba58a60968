// Writes the fuzz targets' seeds with the project's own writers: fuzz_seeds CORPUS_FOLDER. Each
// seed is small and shows one feature of its format; the folders are kept in the repository.
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ctlbase/Exdragdrop.h"
#include "ctlbase/Exini.h"
#include "ctlbase/Exstrutils.h"
#include "ctlbase/Extools.h"
#include "memo/Stylehilite.h"
#include "memo/Stylememo.h"
#include "platform/IniFiles.h"
#include "platform/Registry.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tree/Excellstyle.h"
#include "tree/Extreeitems.h"

namespace {

std::string gRoot;

void Seed(const std::string& Target, const std::string& Name, const std::string& Bytes)
{
    const std::string dir = gRoot + "/" + Target;
    mkdir(dir.c_str(), 0755);
    fuzz::WriteFile(dir + "/" + Name, Bytes);
}

std::string Option(std::uint8_t Options, const std::string& Bytes)
{
    return std::string(1, static_cast<char>(Options)) + Bytes;
}

// A store holding every type, a nested key, a nameless line, a list and texts that need quoting.
void FillStore(TExIniFile& Ini)
{
    TStringList lines;
    lines.Add("first");
    lines.Add("x=1;y");
    const Byte block[3] = {0x45, 0x00, 0xFF};
    Ini.WriteBool("\\", "On", true);
    Ini.WriteInteger("\\Colors", "Count", -3);
    Ini.WriteString("\\Colors", "Name", "say \"hi\"");
    Ini.WriteString("\\Colors", "#2", "free line");
    Ini.WriteDouble("\\Colors\\Dark", "Level", 0.5);
    Ini.WriteMultiString("\\Colors\\Dark", "Lines", &lines);
    Ini.WriteBinary("\\Other", "Block", block, 3);
    TStringList none;
    Ini.WriteMultiString("\\Other", "Empty", &none);
}

void StoreSeeds()
{
    for (const bool binary : {false, true}) {
        for (const std::uint8_t options : {0, 1}) {
            TExIniFile ini(nullptr);
            ini.SetBinaryMode(binary);
            if (options & 1) ini.SetSimple(true);
            FillStore(ini);
            const std::string data = Option(options, fuzz::SaveStore(ini));
            const std::string name = options ? "flat" : "nested";
            for (const char* t : {"", "_roundtrip"}) Seed(std::string(binary ? "store_binary" : "store_text") + t, name, data);
        }
    }
    // An object with lists, as the settings of a control are written.
    TExIniFile ini(nullptr);
    ini.WriteString("\\H", "Name", "holder");
    ini.WriteInteger("\\H\\Items", "ItemsCount", 2);
    ini.WriteInteger("\\H\\Items\\Item{0}", "ID", 0);
    ini.WriteString("\\H\\Items\\Item{0}", "Caption", "one");
    const Byte ext[10] = {0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F};
    ini.WriteBinary("\\H\\Items\\Item{1}", "Weight", ext, 10);
    ini.WriteInteger("\\H\\Items\\Item{1}\\Spot", "X", 7);
    ini.WriteInteger("\\H\\Mixed", "HetItemsCount", 2);
    ini.WriteString("\\H\\Mixed\\Item{0}", "ClsNm", "TFuzzBigItem");
    ini.WriteInteger("\\H\\Mixed\\Item{0}", "Extra", 5);
    ini.WriteString("\\H\\Mixed\\Item{1}", "ClsNm", "TFuzzItem");
    ini.WriteString("\\H\\Columns\\Item{0}", "Label", "a");
    Seed("object_lists", "holder", fuzz::SaveStore(ini));
}

void IniSeeds()
{
    const std::string path = fuzz::ScratchPath("seed.ini");
    fuzz::WriteFile(path, "; settings\r\n");
    TIniFile ini(path);
    ini.WriteString("Receiver", "Mode", "RTTY");
    ini.WriteInteger("Receiver", "Baud", 50);
    ini.WriteFloat("Receiver", "Rate", 11025.5);
    ini.WriteBool("Window", "Max", true);
    ini.WriteString("Window", "Title", "\"quoted\"");
    const std::string data = fuzz::ReadFile(path);
    Seed("ini_file", "settings", data);
    Seed("ini_file_roundtrip", "settings", data);
}

void RegistrySeeds()
{
    const std::string path = fuzz::ScratchPath("seed.registry");
    std::remove(path.c_str());
    platform::RegistryUseFile(path);
    HKEY k = nullptr;
    RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\Morvik\\Window", "a class", 0, KEY_ALL_ACCESS, &k);
    RegSetValueEx(k, "", REG_SZ, "default\0", 8);
    RegSetValueEx(k, "Left", REG_DWORD, "\x10\0\0\0", 4);
    RegSetValueEx(k, "100% odd", REG_BINARY, "\x00\xFF", 2);
    RegSetValueEx(k, "Lines", REG_MULTI_SZ, "a\0b\0\0", 5);
    RegCloseKey(k);
    RegCreateKeyEx(HKEY_LOCAL_MACHINE, "Empty", "", 0, KEY_ALL_ACCESS, &k);
    RegCloseKey(k);
    platform::RegistryUseMemory();
    const std::string data = fuzz::ReadFile(path);
    Seed("registry_file", "registry", data);
    Seed("registry_file_roundtrip", "registry", data);
}

void MemoSeeds()
{
    TStyleMemo memo(nullptr);
    memo.Lines()->Add("ZCZC AB12");
    memo.Lines()->Add("  text with \x02" "bold\x02 and a long line " + std::string(60, 'x'));
    memo.Lines()->Add("");
    memo.Lines()->Add("NNNN");
    TMemoryStream m;
    memo.SaveToStream(&m);
    const std::string text(m.Bytes().begin(), m.Bytes().end());
    for (const std::uint8_t options : {0, 1 | 2 | 8}) {
        const std::string name = options ? "static_lf" : "plain";
        Seed("memo_text", name, Option(options, text));
        Seed("memo_text_roundtrip", name, Option(options, text));
    }
}

// Dumps of an empty memo and of one with style codes, display lines, highlighting that runs over
// paragraphs and a style set from code.
void NativeSeeds()
{
    auto dump = [](TStyleMemo& M) {
        TMemoryStream m;
        M.SaveToNativeStream(&m);
        return std::string(m.Bytes().begin(), m.Bytes().end());
    };
    TStyleMemo empty(nullptr);
    Seed("memo_native", "empty", Option(1, dump(empty)));
    TStyleMemo memo(nullptr);
    memo.Keywords()->AddKeyWord("for", woWholeWordsOnly, 1, 2, 0, clYellow, clRed);
    memo.StartStopKeys()->AddStartStopKey("/*", "*/", 0, 2, 1, 0, -1, clGreen, false);
    memo.SetTextBuf("ZCZC for \x02gale\x02\r\n/* warning\r\nends */ here\r\n\r\nNNNN");
    memo.ReApplyKeywords();
    memo.FormatNow(0, memo.ParCount() - 1, false);
    memo.SetDynStyle(1, 3, 1, true, 5, 0, clBlue, clNone);
    Seed("memo_native", "highlighted", Option(1 | 2, dump(memo)));
}

std::string TreeBytes(TExTreeModel& Tree)
{
    TMemoryStream m;
    Tree.Items()->SaveToStream(&m);
    return std::string(m.Bytes().begin(), m.Bytes().end());
}

void TreeSeeds()
{
    TExTreeModel empty;
    Seed("tree_items", "empty", TreeBytes(empty));
    // The archive's shape: days with times below them, one hidden, texts beyond ASCII.
    TExTreeModel archive;
    TExTreeItems* items = archive.Items();
    for (const char* day : {"2024-01-02", "2024-01-03"}) {
        TExTreeItem* d = items->Add(nullptr, day);
        d->SetExpanded(true);
        for (const char* time : {"09:15", "23:59"}) {
            TExTreeItem* t = items->AddChild(d, time);
            t->ColumnText()->Add("ZCZC \xC4\xD6\xDC");
            t->SetHint("NAVTEX \xB0");
        }
    }
    items->Item(1)->SetHidden(true);
    Seed("tree_items", "archive", TreeBytes(archive));
    // Every kind of field: styles, check boxes, marked-up and multi-line items, heights.
    TExTreeModel fields;
    TExTreeItem* a = fields.Items()->Add(nullptr, "<html><b>bold</b>");
    a->SetIsHTML(true);
    a->SetUseStyles(true);
    a->MainStyle()->SetFontName("Courier");
    a->MainStyle()->SetStyleValue(3);
    TExCellStyle* extra = a->AddStyle();
    extra->SetCellType(sftCurrency);
    extra->SetFontStyles(5);
    TExTreeItem* b = fields.Items()->AddChild(a, "two\r\nlines");
    b->SetMultiline(true);
    b->SetShowCheckBox(true);
    b->SetCheckBoxType(ect3SCheckBox);
    b->SetCheckBoxState(cbGrayed);
    b->SetHeight(40);
    b->SetOwnerHeight(false);
    b->SetBorderStyle(ibsSunken);
    b->SetItemValue(-7);
    Seed("tree_items", "fields", TreeBytes(fields));
    // An unversioned record and a version -10 one, as older programs wrote them.
    std::string old;
    auto put = [&](std::string& S, Integer V) {
        for (int i = 0; i < 4; ++i) S += static_cast<char>(static_cast<std::uint32_t>(V) >> (8 * i));
    };
    put(old, 0);
    put(old, 0);
    put(old, 1);
    put(old, 3);
    old += "old";
    put(old, 0);
    put(old, 0);
    Seed("tree_items", "version0", old);
    std::string v10;
    put(v10, 0);
    put(v10, 0);
    put(v10, 1);
    put(v10, -10);
    put(v10, 1);
    v10 += "x";
    v10 += std::string(61, '\0');
    v10[static_cast<size_t>(12 + 9 + 45)] = 1;
    put(v10, 0);
    v10 += '\0';
    put(v10, 0);
    Seed("tree_items", "version10", v10);
}

void SmallSeeds()
{
    std::string samples;
    for (int i = 0; i < 64; ++i) samples += std::to_string((i * 997) % 4001 - 2000) + (i % 7 ? "\n" : "\r\n");
    Seed("sample_file", "samples", samples + "12 34\n70000\nx\n5");
    Seed("sample_file", "cr_lines", "12\r-7\r\n\r 5 \r40000\r\n\n3.5\r8");
    Seed("sample_file", "edges", "32767\n-32768\n32768\n-32769\n+5\n- 5\n12abc\n3.9\n  7  \r\n7\t\n\n\t\n1\r2\n-0\n99999999999\n8\r");
    Seed("user_charset", "charset", ". E\n- T\n.- A\n..-- \xC4\n-.-.-.- long\nnot an entry\n");
    const Byte block[4] = {0x45, 0x4C, 0x00, 0xFF};
    Seed("block_text", "block", Data2Str(block, 4));
    TMemoryStream m;
    WriteStringToStream(&m, "text");
    WriteWideStringToStream(&m, u"wide");
    WriteFStringToStream(&m, "fixed");
    Seed("stream_strings", "strings", std::string(m.Bytes().begin(), m.Bytes().end()));
    const double d = -1234.5;
    std::string num(8, '\0');
    std::memcpy(num.data(), &d, 8);
    Seed("number_text", "pattern", num + "#,##0.00;(0.00)");
    Seed("number_text", "exact", num + StrFloat(0.1));
    Seed("number_text", "money", num + "$1,234.56");
    // Drop data: a wide file list, an 8-bit one, and a text.
    HGLOBAL files = CreateDropFiles({"/tmp/a b.txt", "/home/\xC3\xA9t\xC3\xA9"});
    Seed("drop_data", "wide_files", std::string(1, '\0') + std::string(static_cast<char*>(GlobalLock(files)), GlobalSize(files)));
    GlobalUnlock(files);
    GlobalFree(files);
    DROPFILES head;
    Seed("drop_data", "files", std::string(1, '\0') + std::string(reinterpret_cast<char*>(&head), sizeof head) + std::string("/x\0/y z\0\0", 9));
    Seed("drop_data", "text", std::string("\x01ZCZC EA42\0rest", 15));
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds CORPUS_FOLDER\n");
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    gRoot = argv[1];
    mkdir(gRoot.c_str(), 0755);
    StoreSeeds();
    IniSeeds();
    RegistrySeeds();
    MemoSeeds();
    NativeSeeds();
    SmallSeeds();
    TreeSeeds();
    return 0;
}
