// A fresh temporary directory per test, removed with everything in it afterwards.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <stdlib.h>
#include <unistd.h>

class ScratchDir : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string templ = (std::filesystem::temp_directory_path() / "morvik-XXXXXX").string();
        ASSERT_NE(::mkdtemp(templ.data()), nullptr);
        dir = templ;
        // A death test's child runs SetUp again in a process of its own and ends by exit(),
        // without TearDown: what it made goes when it exits. A forked child leaves its parent's
        // folder alone. The list is made first, so that it outlives the handler.
        Made().push_back({dir, ::getpid()});
        static const bool registered = std::atexit(RemoveLeftovers) == 0;
        (void)registered;
    }
    void TearDown() override
    {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
        std::erase_if(Made(), [&](const TMade& m) { return m.Dir == dir; });
    }
    std::string Path(const std::string& name) const { return dir + "/" + name; }
    void Put(const std::string& name, const std::string& bytes) const
    {
        std::ofstream(Path(name), std::ios::binary) << bytes;
    }
    std::string Get(const std::string& name) const
    {
        std::ifstream f(Path(name), std::ios::binary);
        return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
    }

    std::string dir;

private:
    struct TMade {
        std::string Dir;
        pid_t By;
    };
    static std::vector<TMade>& Made()
    {
        static std::vector<TMade> made;
        return made;
    }
    static void RemoveLeftovers()
    {
        std::error_code ec;
        for (const TMade& m : Made())
            if (m.By == ::getpid())
                std::filesystem::remove_all(m.Dir, ec);
    }
};
