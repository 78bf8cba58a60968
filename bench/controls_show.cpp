// Shows the library's hint window for a look on a real screen: a form with a list of messages
// and, over it, a hint in markup with a link; clicking the link writes its target into the form's
// last line and on the standard output. Prints the hint's screen rectangle and the link's point so a script can click it.
// With a number as argument the program ends after that many seconds.
#include <cstdio>
#include <cstdlib>

#include "controls/Exhintwnd.h"
#include "platform/ExtCtrls.h"
#include "platform/Forms.h"
#include "platform/StdCtrls.h"

int main(int argc, char** argv)
{
    Application->Initialize();
    auto* form = new TForm(Application);
    form->SetCaption("Messages");
    form->SetBounds(40, 40, 460, 300);
    const char* lines[] = {"240512-0830.TXT  NAVTEX  Weather", "240512-0912.TXT  NAVTEX  Navigational warning",
                           "240512-1005.TXT  RTTY  Synop", "240512-1140.TXT  NAVTEX  Ice report"};
    int y = 16;
    for (const char* l : lines) {
        auto* label = new TLabel(form);
        label->SetParent(form);
        label->SetBounds(16, y, 420, 20);
        label->SetCaption(l);
        y += 28;
    }
    auto* status = new TLabel(form);
    status->SetParent(form);
    status->SetBounds(16, 240, 420, 20);
    status->SetCaption("No link clicked yet");
    form->Show();

    auto* hint = new TExHintWindow(form);
    hint->Font()->SetName("Arial");
    hint->Font()->SetSize(10);
    hint->SetIsHTML(true);
    hint->SetColor(Application->HintColor);
    hint->OnLinkClick = [status](TObject*, const std::string& HRef) {
        status->SetCaption("Link clicked: " + HRef);
        std::printf("clicked %s\n", HRef.c_str());
        std::fflush(stdout);
    };
    const std::string text =
        "<b>240512-0912.TXT</b> <i>(NAVTEX)</i><br>Received at <font color=\"#C00000\">09:12 UTC</font>"
        "<br><a href=\"open 240512-0912.TXT\">Open the message</a>";
    const TRect size = hint->CalcHintRect(1000, text, nullptr);
    const TPoint at = form->ClientToScreen(Point(120, 60));
    hint->ActivateHint(Bounds(at.X, at.Y, size.Width(), size.Height()), text);
    const TPoint link = hint->ClientToScreen(Point(20, size.Height() - 8));
    std::printf("hint %d %d %d %d link %d %d\n", at.X, at.Y, size.Width(), size.Height(), link.X, link.Y);
    std::fflush(stdout);

    if (argc > 1) {
        auto* timer = new TTimer(Application);
        timer->SetInterval(unsigned(std::atoi(argv[1]) * 1000));
        timer->OnTimer = [](TObject*) { Application->Terminate(); };
    }
    Application->Run();
    DoneApplication();
    return 0;
}
