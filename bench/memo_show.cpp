// Shows a memo on a form for a person (or a screenshot) to look at: mixed styles, highlight colours,
// a selection and a Cyrillic line. Arguments: [width in pixels] [milliseconds to stay up].
#include <cstdlib>
#include <string>

#include "memo/Stylememo.h"
#include "platform/CodePages.h"
#include "platform/Forms.h"
#include "platform/Windows.h"

int main(int argc, char** argv)
{
    const int width = argc > 1 ? std::atoi(argv[1]) : 520;
    const int ms = argc > 2 ? std::atoi(argv[2]) : 3000;
    Application->Initialize();
    auto* form = new TForm(nullptr);
    form->SetCaption("Memo");
    form->SetBounds(20, 20, width + 40, 300);
    form->AfterConstruction();
    auto* memo = new TStyleMemo(form);
    memo->SetParent(form);
    memo->SetBounds(10, 10, width, 240);
    memo->Font()->SetName("DejaVu Sans");
    memo->Font()->SetHeight(-15);
    memo->Font()->SetCharset(RUSSIAN_CHARSET);
    memo->setHTColor(clRed);
    memo->setHBColor(clYellow);
    memo->setHideSelection(false);
    const std::string cyrillic = Utf8ToCodePage("Приём: ЗЦЗЦ ИА42 штормовое предупреждение, ветер 25 м/с", 1251);
    std::string text;
    text += "Plain text, \2bold text\2, \1italic text\1, \25underlined\25 and \3highlighted\3 words.\r\n";
    text += "ZCZC IA42 gale warning: \3wind NW 8 to 9\3, \2sea state rough\2, visibility moderate.\r\n";
    text += cyrillic + "\r\n";
    text += "A long line of a teleprinter message that runs on past the right edge of the window so "
            "that word wrap has to break it into several display lines.\r\nNNNN";
    memo->Lines()->SetText(text);
    memo->setParBackgnd(1, RGB(224, 240, 255));
    memo->setSelStart(static_cast<Integer>(text.find("visibility")));
    memo->setSelLength(10);
    form->Show();
    const DWORD end = GetTickCount() + static_cast<DWORD>(ms);
    while (GetTickCount() < end) Application->ProcessMessages();
    delete form;
    return 0;
}
