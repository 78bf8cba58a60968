// Parameterised cases named after what they test: the parameter as its PrintTo writes it, with
// everything but letters and digits made "_", so that CTest lists and a failure names the case.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace morvik {

struct ParamName {
    template <class P>
    std::string operator()(const ::testing::TestParamInfo<P>& Info) const
    {
        const std::string printed = ::testing::PrintToString(Info.param);
        std::string name;
        for (char c : printed) {
            // Signs that tell cases apart (masks, numbers) are spelled out.
            const char* word = c == '*'   ? "Star"
                               : c == '?' ? "Qm"
                               : c == '.' ? "Dot"
                               : c == '-' ? "Minus"
                               : c == '+' ? "Plus"
                               : c == '#' ? "H"
                                          : nullptr;
            if (std::isalnum(static_cast<unsigned char>(c)) != 0)
                name += c;
            else if (word != nullptr)
                name += word;
            else if (!name.empty() && name.back() != '_')
                name += '_';
            if (name.size() >= 60) break;
        }
        while (!name.empty() && name.back() == '_') name.pop_back();
        return name.empty() ? "case" + std::to_string(Info.index) : name;
    }
};

}  // namespace morvik
