#include "receiver/CommandLine.h"

#include <algorithm>
#include <cstdlib>

namespace rx {

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

}  // namespace

std::vector<std::string> CommandOptions(const std::string& commandLine)
{
    std::vector<std::string> options;
    std::size_t i = commandLine.find('/');
    while (i != std::string::npos) {
        const std::size_t start = i + 1;
        const std::size_t end = std::min(commandLine.find('/', start), commandLine.size());
        options.push_back(commandLine.substr(start, std::min(end - start, kMaxOptionLength)));
        i = end < commandLine.size() ? end : std::string::npos;
    }
    return options;
}

std::string& TrimTrailingBlanks(std::string& text)
{
    std::size_t end = text.size();
    while (end > 0 && IsBlank(text[end - 1]))
        --end;
    std::size_t start = 0;
    while (start < end && IsBlank(text[start]))
        ++start;
    text = text.substr(start, end - start);
    return text;
}

std::string& StripQuotes(std::string& text)
{
    text.erase(std::remove(text.begin(), text.end(), '"'), text.end());
    return text;
}

bool SamplingFreqOption(const std::string& option, double& samplingFreq)
{
    if (option.empty() || (option[0] != 'S' && option[0] != 's'))
        return false;
    std::string value = option;
    value[0] = ' ';
    StripQuotes(TrimTrailingBlanks(value));
    samplingFreq = std::strtod(value.c_str(), nullptr);
    return true;
}

}  // namespace rx
