#include "base/code_page.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace tavox {

namespace {

using UpperHalf = std::array<char16_t, 128>;

// Bytes 0x80..0xFF. The positions a code page leaves undefined hold U+0080 + n, so they decode to the C1
// control of the same number and encode back to their own byte.
constexpr UpperHalf kWindows1250 = {
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021, // 80
    0x0088, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179, // 88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90
    0x0098, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, // 98
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7, // A0
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B, // A8
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7, // B0
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C, // B8
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, // C0
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E, // C8
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, // D0
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF, // D8
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7, // E0
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, // E8
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7, // F0
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9, // F8
};

constexpr UpperHalf kWindows1252 = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98
    0x00A0, 0x00A1, 0x00A2, 0x00A3, 0x00A4, 0x00A5, 0x00A6, 0x00A7, // A0
    0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF, // A8
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7, // B0
    0x00B8, 0x00B9, 0x00BA, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00BF, // B8
    0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7, // C0
    0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF, // C8
    0x00D0, 0x00D1, 0x00D2, 0x00D3, 0x00D4, 0x00D5, 0x00D6, 0x00D7, // D0
    0x00D8, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00DF, // D8
    0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7, // E0
    0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x00EC, 0x00ED, 0x00EE, 0x00EF, // E8
    0x00F0, 0x00F1, 0x00F2, 0x00F3, 0x00F4, 0x00F5, 0x00F6, 0x00F7, // F0
    0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x00FE, 0x00FF, // F8
};

constexpr UpperHalf kWindows1254 = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x008E, 0x008F, // 88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x009E, 0x0178, // 98
    0x00A0, 0x00A1, 0x00A2, 0x00A3, 0x00A4, 0x00A5, 0x00A6, 0x00A7, // A0
    0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF, // A8
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7, // B0
    0x00B8, 0x00B9, 0x00BA, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00BF, // B8
    0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7, // C0
    0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF, // C8
    0x011E, 0x00D1, 0x00D2, 0x00D3, 0x00D4, 0x00D5, 0x00D6, 0x00D7, // D0
    0x00D8, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x0130, 0x015E, 0x00DF, // D8
    0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7, // E0
    0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x00EC, 0x00ED, 0x00EE, 0x00EF, // E8
    0x011F, 0x00F1, 0x00F2, 0x00F3, 0x00F4, 0x00F5, 0x00F6, 0x00F7, // F0
    0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x0131, 0x015F, 0x00FF, // F8
};

const UpperHalf& TableFor(CodePage code_page) {
    switch (code_page) {
    case CodePage::Windows1250:
        return kWindows1250;
    case CodePage::Windows1254:
        return kWindows1254;
    case CodePage::Windows1252:
        break;
    }
    return kWindows1252;
}

// Decodes one character at `pos` and moves past it. Malformed input yields nothing and moves past its longest
// well-formed beginning (at least one byte), so a cut-off sequence costs one replacement, not one per byte.
std::optional<char32_t> DecodeUtf8(std::string_view text, std::size_t& pos) {
    const auto at = [&text](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
    const std::uint8_t lead = at(pos);
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    // The allowed range of the second byte rules out overlong forms, surrogates and values past U+10FFFF.
    std::size_t length = 0;
    std::uint8_t low = 0x80;
    std::uint8_t high = 0xBF;
    char32_t value = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0Fu;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07u;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        ++pos;
        return std::nullopt;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if (pos + i >= text.size() || at(pos + i) < low || at(pos + i) > high) {
            pos += i;
            return std::nullopt;
        }
        value = (value << 6) | (at(pos + i) & 0x3Fu);
        low = 0x80;
        high = 0xBF;
    }
    pos += length;
    return value;
}

std::optional<char> EncodeChar(char32_t c, const UpperHalf& table) {
    if (c < 0x80) {
        return static_cast<char>(c);
    }
    const auto found = std::find(table.begin(), table.end(), c);
    if (found == table.end()) {
        return std::nullopt;
    }
    return static_cast<char>(0x80 + (found - table.begin()));
}

// A malformed byte compares as itself: lift it above every code point so it never equals a real character.
constexpr char32_t kMalformedByteBase = 0x110000;

} // namespace

void AppendUtf8(std::string& out, char32_t c) {
    const auto byte = [&out](std::uint32_t value) { out.push_back(static_cast<char>(value)); };
    const auto v = static_cast<std::uint32_t>(c);
    if (v < 0x80) {
        byte(v);
    } else if (v < 0x800) {
        byte(0xC0 | (v >> 6));
        byte(0x80 | (v & 0x3F));
    } else if (v < 0x10000) {
        byte(0xE0 | (v >> 12));
        byte(0x80 | ((v >> 6) & 0x3F));
        byte(0x80 | (v & 0x3F));
    } else {
        byte(0xF0 | (v >> 18));
        byte(0x80 | ((v >> 12) & 0x3F));
        byte(0x80 | ((v >> 6) & 0x3F));
        byte(0x80 | (v & 0x3F));
    }
}

std::string Utf16ToUtf8(std::u16string_view utf16, UnpairedSurrogate unpaired) {
    const auto is_high = [](char32_t c) { return c >= 0xD800 && c < 0xDC00; };
    const auto is_low = [](char32_t c) { return c >= 0xDC00 && c < 0xE000; };
    std::string out;
    out.reserve(utf16.size());
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        char32_t c = utf16[i];
        if (is_high(c) && i + 1 < utf16.size() && is_low(utf16[i + 1])) {
            c = 0x10000 + ((c - 0xD800) << 10) + (char32_t{utf16[i + 1]} - 0xDC00);
            ++i;
        } else if ((is_high(c) || is_low(c)) && unpaired == UnpairedSurrogate::Replace) {
            c = 0xFFFD;
        }
        AppendUtf8(out, c);
    }
    return out;
}

CodePage CodePageForCharset(int charset) {
    switch (charset) {
    case 238:
        return CodePage::Windows1250;
    case 162:
        return CodePage::Windows1254;
    default:
        return CodePage::Windows1252;
    }
}

std::string ToUtf8(std::string_view bytes, CodePage code_page) {
    const UpperHalf& table = TableFor(code_page);
    std::string out;
    out.reserve(bytes.size());
    for (const char b : bytes) {
        const auto byte = static_cast<std::uint8_t>(b);
        AppendUtf8(out, byte < 0x80 ? char32_t{byte} : char32_t{table[byte - 0x80u]});
    }
    return out;
}

std::string FromUtf8(std::string_view utf8, CodePage code_page) {
    const UpperHalf& table = TableFor(code_page);
    std::string out;
    out.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const std::optional<char32_t> c = DecodeUtf8(utf8, pos);
        const std::optional<char> byte = c ? EncodeChar(*c, table) : std::nullopt;
        out.push_back(byte.value_or('?'));
    }
    return out;
}

// U+0130 and U+0131 both fold to 'i': Turkish discs write the same names with either keyboard, so
// "İNSTALL.EXE", "ınstall.exe" and "install.exe" must all find one file.
char32_t FoldCase(char32_t c) {
    if (c >= U'A' && c <= U'Z') {
        return c + 0x20;
    }
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) {
        return c + 0x20;
    }
    if (c == 0x130 || c == 0x131) {
        return U'i';
    }
    if (c == 0x178) {
        return 0xFF;
    }
    // Latin Extended-A pairs capital and small letter as even/odd, except two runs that are shifted by one;
    // U+0138 (kra), U+0149 and U+017F have no partner.
    const bool even_capital = (c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177);
    const bool odd_capital = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if ((even_capital && c % 2 == 0) || (odd_capital && c % 2 == 1)) {
        return c + 1;
    }
    return c;
}

bool EqualsIgnoringCase(std::string_view utf8_a, std::string_view utf8_b) {
    std::size_t pos_a = 0;
    std::size_t pos_b = 0;
    const auto next = [](std::string_view text, std::size_t& pos) -> char32_t {
        const std::size_t start = pos;
        const std::optional<char32_t> c = DecodeUtf8(text, pos);
        if (c) {
            return FoldCase(*c);
        }
        // Step over one byte only, so both sides walk through broken input byte by byte.
        pos = start + 1;
        return kMalformedByteBase + static_cast<std::uint8_t>(text[start]);
    };
    while (pos_a < utf8_a.size() && pos_b < utf8_b.size()) {
        if (next(utf8_a, pos_a) != next(utf8_b, pos_b)) {
            return false;
        }
    }
    return pos_a == utf8_a.size() && pos_b == utf8_b.size();
}

} // namespace tavox
