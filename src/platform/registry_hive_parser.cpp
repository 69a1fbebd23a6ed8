#include "base/little_endian.h"
#include "platform/registry_hive.h"

#include "platform/registry_hive_text.h"

#include <algorithm>
#include <utility>

// Reading a hive: the file split into key blocks and logical lines, and Wine's escapes and value forms.

namespace tavox {

using hive_text::AppendUtf16;
using hive_text::DecodeUtf8At;
using hive_text::IsHexDigit;
using hive_text::NormalizePath;
using hive_text::StartsWith;
using hive_text::WithoutLineEnd;

namespace {

unsigned HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return static_cast<unsigned>(c - '0');
    }
    return static_cast<unsigned>((c | 0x20) - 'a' + 10);
}

// Reads an escaped string as Wine does, up to the unescaped `end`; `pos` is left just past it. "\x" takes
// up to four hex digits, "\0".."\7" up to three octal digits, and any other escaped character stands for
// itself. Bytes that are not ASCII are read as UTF-8 when they form it, else as Latin-1.
bool ReadEscaped(std::string_view text, std::size_t& pos, char end, std::u16string& out) {
    while (pos < text.size()) {
        char c = text[pos];
        if (c == end) {
            ++pos;
            return true;
        }
        if (c == '\\' && pos + 1 < text.size()) {
            c = text[++pos];
            char16_t control = 0;
            switch (c) {
            case 'a':
                control = u'\a';
                break;
            case 'b':
                control = u'\b';
                break;
            case 'e':
                control = 0x1B;
                break;
            case 'f':
                control = u'\f';
                break;
            case 'n':
                control = u'\n';
                break;
            case 'r':
                control = u'\r';
                break;
            case 't':
                control = u'\t';
                break;
            case 'v':
                control = u'\v';
                break;
            default:
                break;
            }
            if (control != 0) {
                out += control;
                ++pos;
                continue;
            }
            if (c == 'x') {
                ++pos;
                if (pos == text.size() || !IsHexDigit(text[pos])) {
                    out += u'x';
                    continue;
                }
                unsigned value = 0;
                for (int digits = 0; digits < 4 && pos < text.size() && IsHexDigit(text[pos]); ++digits) {
                    value = value * 16 + HexValue(text[pos++]);
                }
                out += static_cast<char16_t>(value);
                continue;
            }
            if (c >= '0' && c <= '7') {
                unsigned value = 0;
                for (int digits = 0; digits < 3 && pos < text.size() && text[pos] >= '0' && text[pos] <= '7';
                     ++digits) {
                    value = value * 8 + static_cast<unsigned>(text[pos++] - '0');
                }
                out += static_cast<char16_t>(value);
                continue;
            }
        }
        if (static_cast<unsigned char>(c) < 0x80) {
            out += static_cast<char16_t>(c);
            ++pos;
        } else if (const auto decoded = DecodeUtf8At(text, pos)) {
            AppendUtf16(out, decoded->code_point);
            pos += decoded->length;
        } else {
            out += static_cast<char16_t>(static_cast<unsigned char>(c));
            ++pos;
        }
    }
    return false;
}

// "str(N):" and "hex(N):" carry the type number in hex.
std::optional<unsigned> ReadTypeNumber(std::string_view data, std::size_t& pos) {
    unsigned type = 0;
    std::size_t digits = 0;
    while (pos < data.size() && IsHexDigit(data[pos]) && digits < 8) {
        type = type * 16 + HexValue(data[pos++]);
        ++digits;
    }
    if (digits == 0 || pos + 1 >= data.size() || data[pos] != ')' || data[pos + 1] != ':') {
        return std::nullopt;
    }
    pos += 2;
    return type;
}

// Bytes "xx,xx,..." over continuation lines ending in "\".
std::optional<std::string> ReadHexBytes(std::string_view data) {
    std::string bytes;
    std::size_t pos = 0;
    while (pos < data.size()) {
        const char c = data[pos];
        if (c == ',' || c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\\') {
            ++pos;
        } else if (IsHexDigit(c) && pos + 1 < data.size() && IsHexDigit(data[pos + 1])) {
            bytes += static_cast<char>(HexValue(c) * 16 + HexValue(data[pos + 1]));
            pos += 2;
        } else {
            return std::nullopt;
        }
    }
    return bytes;
}

std::size_t SkipBlanks(std::string_view text, std::size_t pos) {
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) {
        ++pos;
    }
    return pos;
}

bool EndsWithContinuation(std::string_view content) {
    while (!content.empty() && (content.back() == ' ' || content.back() == '\t')) {
        content.remove_suffix(1);
    }
    return !content.empty() && content.back() == '\\';
}

} // namespace

namespace hive_text {

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

std::string_view WithoutLineEnd(std::string_view raw) {
    if (!raw.empty() && raw.back() == '\n') {
        raw.remove_suffix(1);
    }
    if (!raw.empty() && raw.back() == '\r') {
        raw.remove_suffix(1);
    }
    return raw;
}

std::optional<std::u16string> ReadStringData(std::string_view data) {
    std::size_t pos = 0;
    if (StartsWith(data, "str(")) {
        pos = 4;
        const auto type = ReadTypeNumber(data, pos);
        if (!type || (*type != 1 && *type != 2)) {
            return std::nullopt;
        }
    } else if (StartsWith(data, "hex(")) {
        pos = 4;
        const auto type = ReadTypeNumber(data, pos);
        if (!type || (*type != 1 && *type != 2)) {
            return std::nullopt;
        }
        const auto bytes = ReadHexBytes(data.substr(pos));
        if (!bytes) {
            return std::nullopt;
        }
        std::u16string text;
        for (std::size_t i = 0; i + 1 < bytes->size(); i += 2) {
            text += static_cast<char16_t>(ReadLe16(*bytes, i));
        }
        if (!text.empty() && text.back() == 0) {
            text.pop_back(); // the terminator Windows stores with a string
        }
        return text;
    }
    if (pos >= data.size() || data[pos] != '"') {
        return std::nullopt;
    }
    ++pos;
    std::u16string text;
    if (!ReadEscaped(data, pos, '"', text)) {
        return std::nullopt;
    }
    return text;
}

} // namespace hive_text

RegistryHive RegistryHive::Parse(std::string_view bytes) {
    RegistryHive hive;
    std::size_t pos = 0;
    const auto next_line = [&bytes, &pos] {
        const std::size_t end = std::min(bytes.find('\n', pos), bytes.size() - 1) + 1;
        const std::string_view raw = bytes.substr(pos, end - pos);
        pos = end;
        return raw;
    };
    while (pos < bytes.size()) {
        const std::string_view raw = next_line();
        const std::string_view content = WithoutLineEnd(raw);
        if (!content.empty() && content.front() == '[') {
            std::u16string name;
            std::size_t name_end = 1;
            if (ReadEscaped(content, name_end, ']', name)) {
                Block block;
                block.path = NormalizePath(name);
                block.key_line = std::string(raw);
                block.key_name_end = name_end;
                hive.blocks_.push_back(std::move(block));
                continue;
            }
        }
        if (hive.blocks_.empty()) {
            hive.preamble_ += raw;
            continue;
        }
        Line line;
        line.text = std::string(raw);
        if (!content.empty() && (content.front() == '"' || content.front() == '@')) {
            std::size_t name_end = 1;
            const bool named = content.front() == '@' || ReadEscaped(content, name_end, '"', line.name);
            const std::size_t equals = SkipBlanks(content, name_end);
            if (named && equals < content.size() && content[equals] == '=') {
                line.kind = LineKind::Value;
                line.data_offset = SkipBlanks(content, equals + 1);
                std::string_view last = content;
                if (StartsWith(content.substr(line.data_offset), "hex")) {
                    while (EndsWithContinuation(last) && pos < bytes.size()) {
                        const std::string_view more = next_line();
                        line.text += more;
                        last = WithoutLineEnd(more);
                    }
                }
            } else {
                line.name.clear();
            }
        } else if (StartsWith(content, "#time=")) {
            line.kind = LineKind::Time;
        }
        hive.blocks_.back().lines.push_back(std::move(line));
    }
    hive.Reindex();
    return hive;
}

} // namespace tavox
