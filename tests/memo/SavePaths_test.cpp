// The memo's text saved to a file (its lines' SaveToFile) keeps the old file through a full disk, a
// failing write, a folder the user may not write to, a long name and a pipe that nothing reads
// (tests/support/SaveFaults.h).
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "memo/Stylememo.h"
#include "platform/Forms.h"
#include "tests/support/SaveFaults.h"

namespace {

TEST(MemoSave, KeepsTheOldFileThroughEveryFault)
{
    Application->Initialize();
    savetest::ExpectEveryFaultKeepsTheOldFile({"TStyleMemo lines", ".txt", [](const std::string& F) {
                                                   std::unique_ptr<TForm> form(new TForm(nullptr));
                                                   auto* memo = new TStyleMemo(form.get());
                                                   memo->SetParent(form.get());
                                                   std::string text;
                                                   for (int i = 0; i < 30; ++i)
                                                       text += "Line " + std::to_string(i) + " of a message\r\n";
                                                   memo->SetTextBuf(text.c_str());
                                                   memo->Lines()->SaveToFile(F);
                                                   return true;
                                               }});
}

}  // namespace
