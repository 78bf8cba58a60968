// Test entry point shared by every layer's test executable.
#include <gtest/gtest.h>

#include <cstdlib>

// The font library and the desktop bus keep caches for the life of the process; they are not
// leaks of ours.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\nleak:libdbus-1.so\n"; }

int main(int argc, char** argv)
{
    // Before anything can start Qt: tests never need a display.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // A death test's child starts afresh rather than as a fork of this process: once the toolkit
    // has started here, a fork lacks its threads and the leak checker takes what they hold for leaks.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
