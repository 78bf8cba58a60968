// Dragging tree items on a real screen: a window "Tree drag" with two trees side by side, stations
// on the left and an archive on the right. An item dragged from one tree to a row of the other is
// copied under that row; the archive also takes texts dropped from other programs. Every copy and
// drop is written to the standard output in UTF-8 ("copied: TEXT to ROW", "dropped: TEXT on ROW");
// item texts are kept in the Western code page of the trees' font.
// With --source TEXT it is that other program instead: a window "Drag source" whose picture can be
// dragged out as TEXT. With a file name BASE as last argument the window's picture is saved as
// BASE.png five times a second. The left tree selects rows by a rubber band too, and tells its
// selection whenever it changed ("selected: A, B").
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "ctlbase/Exdragdrop.h"
#include "platform/CodePages.h"
#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "platform/StdCtrls.h"
#include "tree/Extree.h"

namespace {

std::string Utf8Of(const char16_t* S, std::size_t Units)
{
    std::string out;
    for (std::size_t i = 0; i < Units && S[i]; ++i) {
        char32_t c = S[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < Units) c = 0x10000 + ((c - 0xD800) << 10) + (S[++i] - 0xDC00);
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | (c >> 18));
            out += char(0x80 | ((c >> 12) & 0x3F));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::u16string Utf16Of(const std::string& S)
{
    std::u16string out;
    for (std::size_t i = 0; i < S.size();) {
        const unsigned char b = static_cast<unsigned char>(S[i]);
        const int n = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
        char32_t c = n == 1 ? b : n == 2 ? b & 0x1F : n == 3 ? b & 0x0F : b & 0x07;
        for (int k = 1; k < n && i + k < S.size(); ++k) c = (c << 6) | (static_cast<unsigned char>(S[i + k]) & 0x3F);
        i += n;
        if (c >= 0x10000) {
            c -= 0x10000;
            out += char16_t(0xD800 + (c >> 10));
            out += char16_t(0xDC00 + (c & 0x3FF));
        } else {
            out += char16_t(c);
        }
    }
    return out;
}

void SaveEvery(TForm* Form, const std::string& Base)
{
    auto* timer = new TTimer(Application);
    timer->SetInterval(200);
    timer->OnTimer = [=](TObject*) { SaveControlImage(Form, Base + ".png"); };
    timer->SetEnabled(true);
}

int RunSource(const std::string& Text, const std::string& Shots)
{
    auto* form = new TForm(Application);
    form->SetCaption("Drag source");
    form->SetBounds(560, 420, 220, 160);
    auto* source = new TExDragDrop(form);
    source->SetParent(form);
    source->SetAlign(alClient);
    source->SetIsDropSource(true);
    source->SetDragTypes(TDragTypes(1 << dtCopy));
    auto wide = std::make_shared<std::u16string>(Utf16Of(Text) + u'\0');
    source->OnOleStartDrag = [wide](TObject*, void*& Data, int& Type, int& Size) {
        Data = wide->data();
        Type = CF_UNICODETEXT;
        Size = int(wide->size() * 2);
    };
    auto* label = new TLabel(form);
    label->SetParent(form);
    label->SetAlign(alTop);
    label->SetCaption("Drag from below: " + Utf8ToCodePage(Text, 1252));
    source->OnSourceDrop = [](TObject*, TDragResult Result) {
        std::printf("source: drag ended (%d)\n", int(Result));
        std::fflush(stdout);
    };
    form->Show();
    if (!Shots.empty()) SaveEvery(form, Shots);
    Application->Run();
    return 0;
}

TExTree* MakeTree(TForm* Form, int Left)
{
    auto* tree = new TExTree(Form);
    tree->SetParent(Form);
    tree->SetBounds(Left, 10, 250, 330);
    tree->SetMultiSelect(false);
    tree->SetDragAllowed(true);
    tree->SetExpandOnDragOver(true);
    tree->SetHideSelection(false);
    return tree;
}

}  // namespace

int main(int argc, char** argv)
{
    Application->Initialize();
    if (argc > 2 && std::strcmp(argv[1], "--source") == 0) {
        Application->SetTitle("Drag source");
        const int rc = RunSource(argv[2], argc > 3 ? argv[3] : "");
        DoneApplication();
        return rc;
    }
    Application->SetTitle("Tree drag");
    auto* form = new TForm(Application);
    form->SetCaption("Tree drag");
    form->SetBounds(40, 60, 530, 380);
    TExTree* stations = MakeTree(form, 10);
    TExTree* archive = MakeTree(form, 270);
    // Rows are selected by a rubber band drawn from beside their texts.
    stations->SetMultiSelect(true);
    stations->SetMouseFrameSelect(true);
    auto* watch = new TTimer(Application);
    watch->SetInterval(250);
    watch->OnTimer = [stations, last = std::string()](TObject*) mutable {
        std::string texts;
        for (Integer i = 0; i < stations->Items()->Count(); ++i)
            if (stations->Items()->Item(i)->Selected()) texts += (texts.empty() ? "" : ", ") + stations->Items()->Item(i)->Text();
        if (texts == last) return;
        last = texts;
        std::printf("selected: %s\n", CodePageToUtf8(texts, 1252).c_str());
        std::fflush(stdout);
    };
    watch->SetEnabled(true);
    archive->SetDragType(dtBoth);
    stations->Items()->BeginUpdate();
    for (const char* area : {"Baltic", "North Sea", "Biscay"}) {
        TExTreeItem* root = stations->Items()->Add(nullptr, area);
        for (const char* station : {"Station A", "Station B"})
            stations->Items()->AddChild(root, std::string(station) + " (" + area + ")");
    }
    stations->Items()->EndUpdate();
    stations->FullExpand();
    for (const char* day : {"2026-12-06", "2026-12-07"}) archive->Items()->Add(nullptr, day);

    for (TExTree* tree : {stations, archive}) {
        tree->OnDragOver = [tree](TObject*, TObject* Source, int, int, TDragState, bool& Accept) {
            auto* from = dynamic_cast<TExTree*>(Source);
            Accept = from && from != tree && from->GetFocused();
        };
        tree->OnDragDrop = [tree](TObject*, TObject* Source, int, int Y) {
            auto* from = dynamic_cast<TExTree*>(Source);
            TExTreeItem* item = from ? from->GetFocused() : nullptr;
            if (!item) return;
            TExTreeItem* target = tree->GetItemAtY(Y);
            TExTreeItem* copy = tree->Items()->AddChild(target, item->Text());
            if (target) target->Expand(false);
            tree->SetFocused(copy);
            std::printf("copied: %s to %s\n", CodePageToUtf8(item->Text(), 1252).c_str(),
                        target ? CodePageToUtf8(target->Text(), 1252).c_str() : "(top)");
            std::fflush(stdout);
        };
    }
    archive->OnOleTargetDrag = [](TObject*, TDragState, TOleDragObject* Source, TShiftState, int, int, TDragType& Type) {
        Type = Source && Source->HasDataFormat(CF_UNICODETEXT) ? dtCopy : dtNone;
    };
    archive->OnOleTargetDrop = [archive](TObject*, TOleDragObject* Source, TShiftState, int, int Y, TDragType& Type) {
        std::size_t size = 0;
        void* block = Source->GetFormatData(CF_UNICODETEXT, &size);
        if (!block) {
            Type = dtNone;
            return;
        }
        const std::string text = Utf8Of(static_cast<const char16_t*>(block), size / 2);
        std::free(block);
        TExTreeItem* target = archive->GetItemAtY(Y);
        // Item texts are in the font's code page.
        TExTreeItem* item = archive->Items()->AddChild(target, Utf8ToCodePage(text, 1252));
        if (target) target->Expand(false);
        archive->SetFocused(item);
        Type = dtCopy;
        std::printf("dropped: %s on %s\n", text.c_str(), target ? target->Text().c_str() : "(top)");
        std::fflush(stdout);
    };
    form->Show();
    stations->View()->SetFocus();
    if (argc > 1) SaveEvery(form, argv[argc - 1]);
    // Once painted, where each row's text is on the screen ("at: TEXT X Y"), for scripts.
    auto* where = new TTimer(Application);
    where->SetInterval(400);
    where->OnTimer = [=](TObject*) {
        where->SetEnabled(false);
        for (TExTree* tree : {stations, archive})
            for (Integer i = 0; i < tree->View()->RowCount(); ++i) {
                TExTreeItem* item = tree->View()->Row(i);
                const TRect r = tree->View()->GetItemRect(i);
                const TPoint p = tree->View()->ClientToScreen(TPoint{item->TextLeft - tree->LeftPosition() + 6, (r.Top + r.Bottom) / 2});
                std::printf("at: %s %d %d\n", CodePageToUtf8(item->Text(), 1252).c_str(), p.X, p.Y);
            }
        std::fflush(stdout);
    };
    where->SetEnabled(true);
    Application->Run();
    DoneApplication();
    return 0;
}
