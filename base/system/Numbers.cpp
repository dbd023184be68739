#include "base/system/Numbers.h"

#include <algorithm>
#include <climits>

bool ParseDecimal(std::string_view Text, int32_t& Value)
{
    size_t i = 0;
    bool negative = false;
    if (i < Text.size() && (Text[i] == '+' || Text[i] == '-'))
        negative = Text[i++] == '-';
    if (i == Text.size())
        return false;
    int64_t value = 0;
    for (; i < Text.size(); ++i) {
        if (Text[i] < '0' || Text[i] > '9')
            return false;
        value = value * 10 + (Text[i] - '0');
        if (value > 2147483648LL)
            return false;
    }
    value = negative ? -value : value;
    if (value > INT32_MAX)
        return false;
    Value = static_cast<int32_t>(value);
    return true;
}

int CompareNoCase(std::string_view A, std::string_view B)
{
    const size_t common = std::min(A.size(), B.size());
    for (size_t i = 0; i < common; ++i) {
        const auto a = static_cast<unsigned char>(FoldCase(A[i]));
        const auto b = static_cast<unsigned char>(FoldCase(B[i]));
        if (a != b)
            return a < b ? -1 : 1;
    }
    return A.size() == B.size() ? 0 : (A.size() < B.size() ? -1 : 1);
}

bool SameNoCase(std::string_view A, std::string_view B) { return A.size() == B.size() && CompareNoCase(A, B) == 0; }
