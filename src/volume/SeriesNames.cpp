#include "volume/SeriesNames.h"

#include <algorithm>
#include <climits>

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

SeriesName SplitSeriesName(const std::string& path)
{
    SeriesName name;
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        name.FileName = path;
    } else {
        // a file in the root folder keeps "/" as its folder
        name.Folder = path.substr(0, slash == 0 ? 1 : slash);
        name.FileName = path.substr(slash + 1);
    }

    const std::string& f = name.FileName;
    std::size_t first = 0;
    while (first < f.size() && !IsDigit(f[first]))
        ++first;
    name.Prefix = f.substr(0, first);
    std::size_t end = first;
    while (end < f.size() && IsDigit(f[end]))
        ++end;
    name.NumberText = f.substr(first, end - first);

    // Zero padding does not change the value; a value beyond int has no usable number.
    long long value = 0;
    bool fits = !name.NumberText.empty();
    for (char c : name.NumberText) {
        value = value * 10 + (c - '0');
        if (value > INT_MAX) {
            fits = false;
            break;
        }
    }
    name.Number = fits ? static_cast<int>(value) : -1;
    return name;
}

int SeriesNumberList::Insert(int number)
{
    if (number < 0 || IsFull())
        return -1;
    auto at = std::lower_bound(numbers.begin(), numbers.end(), number);
    if (at != numbers.end() && *at == number)
        return -1;
    int index = static_cast<int>(at - numbers.begin());
    numbers.insert(at, number);
    return index;
}

bool SeriesNumberList::Contains(int number) const
{
    return std::binary_search(numbers.begin(), numbers.end(), number);
}
