// The memo, shown with its defaults and with a screenful and more of text, settles: once its pending
// messages have been handled, further passes of the message loop paint nothing and no timer runs.
#include <gtest/gtest.h>

#include <string>

#include "memo/Stylememo.h"
#include "tests/support/Settle.h"

namespace {

using settle::Row;
using settle::TRow;

const TRow kRows[] = {
    Row<TStyleMemo>("TStyleMemo"),
    {"TStyleMemoWithText", [](TForm* Form) {
         auto* m = new TStyleMemo(Form);
         m->SetParent(Form);
         m->SetBounds(20, 20, 240, 160);
         std::string text;
         for (int i = 0; i < 300; ++i)
             text += "Line " + std::to_string(i) + " of a message \x02with bold\x02 text\r\n";
         m->SetTextBuf(text.c_str());
     }},
};

TEST(SettleTable, HasARowForEveryControlClassOfTheLayer)
{
    settle::ExpectARowForEveryControlClass(MORVIK_SOURCE_DIR, "memo", settle::NamesOf(kRows));
}

class Settles : public ::testing::TestWithParam<TRow> {};

TEST_P(Settles, NoPaintAndNoTimerOnceThePendingMessagesAreHandled) { settle::ExpectSettles(GetParam()); }

INSTANTIATE_TEST_SUITE_P(Memo, Settles, ::testing::ValuesIn(kRows),
                         [](const auto& Info) { return settle::RowName(Info.param); });

}  // namespace
