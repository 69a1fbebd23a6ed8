#pragma once

// The text rules that the parts of RegistryHive share: Wine's case folding and key order, its escapes, the
// value data forms. Private to registry_hive*.cpp.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tavox::hive_text {

// --- UTF-8 and UTF-16 (registry_hive.cpp)

struct DecodedChar {
    char32_t code_point = 0;
    std::size_t length = 0;
};

// One UTF-8 sequence at `pos`. Encoded surrogates are accepted, so that a name holding a lone surrogate
// (possible in the registry) survives the trip through UTF-8 and back.
std::optional<DecodedChar> DecodeUtf8At(std::string_view text, std::size_t pos);
void AppendUtf16(std::u16string& out, char32_t code_point);
// Malformed UTF-8 from a caller becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view utf8);

// --- Case and key paths (registry_hive.cpp)

// Lower case for the letters of the menu's code pages, in Wine's key order.
std::u16string Fold(std::u16string_view text);
bool EqualFolded(std::u16string_view a, std::u16string_view b);
// Wine's order: without regard to case, and for key paths a key before its subkeys ("\\" sorts before every
// other character).
int CompareFolded(std::u16string_view a, std::u16string_view b, bool separator_first);
// Is `path` the key `key` or below it?
bool IsAtOrBelow(std::u16string_view path, std::u16string_view key);
// Empty parts (a leading "\", doubled or trailing ones) name no key.
std::u16string NormalizePath(std::u16string_view path);
std::u16string PathFromUtf8(std::string_view key);

// --- Text and value data (registry_hive_parser.cpp)

bool IsHexDigit(char c);
bool StartsWith(std::string_view text, std::string_view prefix);
std::string_view WithoutLineEnd(std::string_view raw);
// REG_SZ or REG_EXPAND_SZ data in any of its forms ("...", str(N):"...", hex(N):...); nullopt for others.
std::optional<std::u16string> ReadStringData(std::string_view data);

} // namespace tavox::hive_text
