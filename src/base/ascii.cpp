#include "base/ascii.h"

#include <algorithm>

namespace tavox {

std::string UpperCaseAscii(std::string_view text) {
    std::string result(text);
    std::ranges::transform(result, result.begin(), ToUpperAscii);
    return result;
}

std::string LowerCaseAscii(std::string_view text) {
    std::string result(text);
    std::ranges::transform(result, result.begin(), ToLowerAscii);
    return result;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) { return ToLowerAscii(x) == ToLowerAscii(y); });
}

bool EndsWithIgnoringAsciiCase(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() &&
           EqualsIgnoringAsciiCase(text.substr(text.size() - suffix.size()), suffix);
}

bool LessIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return std::ranges::lexicographical_compare(a, b, [](char x, char y) {
        return static_cast<unsigned char>(ToUpperAscii(x)) < static_cast<unsigned char>(ToUpperAscii(y));
    });
}

} // namespace tavox
