#pragma once
// Reading the numbers back out of the text reports the program writes.

#include <cstdlib>
#include <string>
#include <vector>

namespace testing_support {

// Every number of a line, in order (separators such as ':' and '=' skipped).
inline std::vector<double> Numbers(const std::string& line)
{
    std::vector<double> out;
    const char* p = line.c_str();
    while (*p) {
        char* end = nullptr;
        const double v = std::strtod(p, &end);
        if (end != p) {
            out.push_back(v);
            p = end;
        } else {
            ++p;
        }
    }
    return out;
}

} // namespace testing_support
