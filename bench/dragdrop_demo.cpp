// Drag and drop on a real screen: a window with a picture that drags a text, and a window that
// takes drops of text and files (from this program or from any other) and shows what it got.
// Every drop is also written to the standard output. With a file name BASE as argument the two
// windows' pictures are saved as BASE-source.png and BASE-target.png twice a second, and with a
// number of seconds after it the program quits then.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "ctlbase/Excbfmts.h"
#include "ctlbase/Exdragdrop.h"
#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "platform/StdCtrls.h"

namespace {

const char kMessage[] = "ZCZC EA42 GALE WARNING SOUTH WEST OF THE BAY NNNN";

TBitmap* Teleprinter()
{
    auto* b = new TBitmap;
    b->SetSize(64, 48);
    TCanvas* c = b->Canvas();
    c->Brush()->SetColor(TColor(RGB(250, 246, 220)));
    c->FillRect(Rect(0, 0, 64, 48));
    c->Pen()->SetColor(TColor(RGB(60, 60, 90)));
    for (int y = 8; y < 44; y += 6)
        c->Rectangle(6, y, 58 - (y % 12), y + 2);
    c->Brush()->SetColor(TColor(RGB(200, 40, 40)));
    c->FillRect(Rect(0, 0, 64, 4));
    return b;
}

std::string Describe(TOleDragObject* Source)
{
    switch (Source->GetDragContent()) {
    case edcFileList: {
        std::string s = "files:";
        TStrings* l = Source->GetFileList();
        for (int i = 0; i < l->Count(); ++i)
            s += " " + l->Strings(i);
        return s;
    }
    case edcText: return "text: " + Source->GetString();
    case edcBitmap: return "a picture";
    default: return "something else";
    }
}

}  // namespace

int main(int argc, char** argv)
{
    Application->Initialize();
    Application->SetTitle("Drag and drop");

    auto* from = new TForm(Application);
    from->SetCaption("Drag source");
    from->SetBounds(40, 60, 260, 160);
    auto* hint = new TLabel(from);
    hint->SetParent(from);
    hint->SetBounds(100, 30, 150, 40);
    hint->SetCaption("Drag the picture");
    auto* picture = new TExDragDrop(from);
    picture->SetParent(from);
    picture->SetLeft(20);
    picture->SetTop(20);
    std::unique_ptr<TBitmap> pic(Teleprinter());
    picture->Picture()->SetBitmap(pic.get());
    picture->SetAutoSize(true);
    picture->SetIsDropSource(true);
    picture->OnOleStartDrag = [](TObject*, void*& Data, int& Type, int& Size) {
        Data = const_cast<char*>(kMessage);
        Type = int(CF_TEXT);
        Size = int(sizeof kMessage);
    };
    picture->OnSourceDrop = [](TObject*, TDragResult R) {
        const char* names[] = {"copied", "moved", "linked", "cancelled", "out of memory", "unknown"};
        std::printf("source: %s\n", names[R]);
        std::fflush(stdout);
    };

    auto* to = new TForm(Application);
    to->SetCaption("Drop target");
    to->SetBounds(400, 60, 360, 240);
    auto* panel = new TPanel(to);
    panel->SetParent(to);
    panel->SetAlign(alClient);
    panel->SetCaption("Drop text or files here");
    auto* got = new TLabel(to);
    got->SetParent(panel);
    got->SetBounds(10, 10, 330, 40);
    got->SetCaption("(nothing yet)");
    auto* target = new TExDropTarget(to);
    target->SetTarget(panel);
    target->OnTargetDrag = [](TObject*, TDragState State, TOleDragObject* Source, TShiftState, int, int,
                              TDragType& DragType) {
        if (State != dsDragLeave && Source) {
            TDragContent c = Source->GetDragContent();
            DragType = c == edcText || c == edcFileList ? dtCopy : dtNone;
        }
    };
    target->OnTargetDrop = [got](TObject*, TOleDragObject* Source, TShiftState, int X, int Y, TDragType& DragType) {
        std::string what = Describe(Source);
        got->SetCaption(what);
        std::printf("target: dropped at %d,%d %s\n", X, Y, what.c_str());
        std::fflush(stdout);
        DragType = dtCopy;
    };
    from->Show();
    to->Show();

    if (argc > 1) {
        std::string base = argv[1];
        int ticks = argc > 2 ? std::atoi(argv[2]) * 2 : -1;
        auto* timer = new TTimer(Application);
        timer->SetInterval(500);
        timer->OnTimer = [=](TObject*) mutable {
            SaveControlImage(from, base + "-source.png");
            SaveControlImage(to, base + "-target.png");
            if (ticks > 0 && --ticks == 0)
                Application->Terminate();
        };
        timer->SetEnabled(true);
    }
    Application->Run();
    DoneApplication();
    return 0;
}
