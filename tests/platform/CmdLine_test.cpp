#include "platform/CmdLine.h"

#include <gtest/gtest.h>

namespace {

TEST(CommandLine, ArgumentsAfterTheProgramJoinedByBlanks)
{
    const char* argv[] = {"/usr/local/bin/morvik", "/S11025.5", "/s \"11025\"", "x/y"};
    SetCommandLine(4, argv);
    EXPECT_EQ(CmdLine(), "/S11025.5 /s \"11025\" x/y");
    EXPECT_EQ(ParamCount(), 3);
    EXPECT_EQ(ParamStr(0), "/usr/local/bin/morvik");
    EXPECT_EQ(ParamStr(2), "/s \"11025\"");
    EXPECT_EQ(ParamStr(4), "");
    EXPECT_EQ(ParamStr(-1), "");
}

TEST(CommandLine, TheProgramAloneGivesAnEmptyLine)
{
    const char* argv[] = {"/opt/morvik/morvik"};
    SetCommandLine(1, argv);
    EXPECT_EQ(CmdLine(), "");
    EXPECT_EQ(ParamCount(), 0);
    SetCommandLine(0, nullptr);
    EXPECT_EQ(CmdLine(), "");
    EXPECT_EQ(ParamCount(), 0);
    EXPECT_EQ(ParamStr(0), "");
}

}  // namespace
