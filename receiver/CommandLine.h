// The receiver's command line: options introduced by "/", of which only one is understood, S (or
// s) followed by the sampling frequency that the timing and frequency computations assume.
#pragma once

#include <string>
#include <vector>

namespace rx {

// The longest option kept; the rest of a longer one is skipped up to the next "/".
constexpr std::size_t kMaxOptionLength = 99;

// The options of a command line: the text after each "/" up to the next "/" or the end.
std::vector<std::string> CommandOptions(const std::string& commandLine);

// Removes the blanks at the end of the text, then those at its start; returns the text.
std::string& TrimTrailingBlanks(std::string& text);
// Removes every double quote from the text; returns the text.
std::string& StripQuotes(std::string& text);

// An option whose first character is S or s: true, with the number that follows it read as the
// C library reads a floating-point number (blanks and double quotes around it do not matter; no
// number gives 0.0). Any other option: false.
bool SamplingFreqOption(const std::string& option, double& samplingFreq);

}  // namespace rx
