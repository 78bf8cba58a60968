// The memo and the tree in a program of their own: a tree of received messages beside a memo that
// shows the one chosen.
#include <map>
#include <string>

#include "memo/Stylememo.h"
#include "platform/Forms.h"
#include "tree/Extree.h"

int main(int argc, char** argv)
{
    Application->Initialize();
    // The application's first form is its main form: closing it ends Run.
    TForm* form = nullptr;
    Application->CreateForm(form);
    form->SetCaption("Messages");
    form->SetBounds(40, 40, 640, 320);

    auto* tree = new TExTree(form);
    tree->SetParent(form);
    tree->SetAlign(alLeft);
    tree->SetWidth(300);
    for (const char* caption : {"Message", "Station"}) {
        TExHeaderSection* column = tree->Header()->Sections()->AddSection();
        column->SetText(caption);
        column->SetAutoSize(true);  // as wide as its widest text shown, so that none is cut
    }
    tree->SetShowHeader(true);  // a header with no sections yet stays hidden
    auto* memo = new TStyleMemo(form);
    memo->SetParent(form);
    memo->SetAlign(alClient);
    memo->setReadOnly(true);

    // Each message's text goes with its item; \2 turns the memo's bold on and off.
    std::map<TExTreeItem*, std::string> texts;
    // In one update bracket, so that the columns are sized once, to the rows the open day shows.
    tree->Items()->BeginUpdate();
    TExTreeItem* day = tree->Items()->Add(nullptr, "08 Dec 26");
    auto add = [&](const char* title, const char* station, const char* text) {
        TExTreeItem* item = tree->Items()->AddChild(day, title);
        item->ColumnText()->Add(station);
        texts[item] = text;
    };
    add("Navigational warning 45", "FB", "ZCZC FB45\r\nWRECK 5812N 00430E.\r\nNNNN");
    add("Gale warning area 7", "FA", "ZCZC FA07\r\n\2GALE WARNING\2 AREA 7: SW 8.\r\nNNNN");
    day->Expand(false);
    tree->Items()->EndUpdate();
    tree->OnItemFocused = [&](TObject*) {
        auto found = texts.find(tree->GetFocused());
        memo->Lines()->SetText(found != texts.end() ? found->second : "");
    };
    tree->SetFocused(day->GetFirstChild());

    if (argc > 1 && std::string(argv[1]) == "--quit") {
        form->Show();
        Application->ProcessMessages();  // shows and paints once, then ends
    } else {
        Application->Run();  // shows the main form and returns once it is closed
    }
    DoneApplication();
    return 0;
}
