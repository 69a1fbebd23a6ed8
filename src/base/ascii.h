#pragma once

#include <string>
#include <string_view>

namespace tavox {

// The menu's texts are 8-bit code-page bytes: only the ASCII letters change case, every other byte is
// part of a code-page character and stays as it is.

constexpr bool IsAsciiUpper(char c) {
    return c >= 'A' && c <= 'Z';
}

constexpr bool IsAsciiLetter(char c) {
    return IsAsciiUpper(c) || (c >= 'a' && c <= 'z');
}

constexpr char ToUpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

constexpr char ToLowerAscii(char c) {
    return IsAsciiUpper(c) ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string UpperCaseAscii(std::string_view text);
std::string LowerCaseAscii(std::string_view text);

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);
bool EndsWithIgnoringAsciiCase(std::string_view text, std::string_view suffix);

// Byte order of the upper-cased texts, each byte taken as unsigned (as std::string orders them), so that
// it can order and search a sorted list.
bool LessIgnoringAsciiCase(std::string_view a, std::string_view b);

} // namespace tavox
