// Strict number parsing for command-line values and CSV fields: the whole text
// must be the number, and non-finite values are refused.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace oxel {

bool parseInt(std::string_view text, int& out);
bool parseDouble(std::string_view text, double& out);
// Leading and trailing blanks removed.
std::string_view trim(std::string_view text);
std::string lowercase(std::string text);
// Splits at every separator; "a,,b" gives three fields.
std::vector<std::string> split(std::string_view text, char separator);

}  // namespace oxel
