#include "platform/registry_hive.h"

#include "platform/code_page.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <unordered_set>
#include <utility>

namespace tavox {

namespace {

constexpr std::string_view kHeaderLine = "WINE REGISTRY Version 2";

// --- UTF-8 and UTF-16

struct DecodedChar {
    char32_t code_point = 0;
    std::size_t length = 0;
};

// One UTF-8 sequence at `pos`. Encoded surrogates are accepted, so that a name holding a lone surrogate
// (possible in the registry) survives the trip through UTF-8 and back.
std::optional<DecodedChar> DecodeUtf8At(std::string_view text, std::size_t pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    if (lead < 0x80) {
        return DecodedChar{lead, 1};
    }
    std::size_t length = 0;
    char32_t code_point = 0;
    char32_t smallest = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        code_point = lead & 0x1Fu;
        smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        code_point = lead & 0x0Fu;
        smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        code_point = lead & 0x07u;
        smallest = 0x10000;
    } else {
        return std::nullopt;
    }
    if (text.size() - pos < length) {
        return std::nullopt;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const auto trail = static_cast<unsigned char>(text[pos + i]);
        if ((trail & 0xC0) != 0x80) {
            return std::nullopt;
        }
        code_point = (code_point << 6) | (trail & 0x3Fu);
    }
    if (code_point < smallest || code_point > 0x10FFFF) {
        return std::nullopt;
    }
    return DecodedChar{code_point, length};
}

void AppendUtf16(std::u16string& out, char32_t code_point) {
    if (code_point >= 0x10000) {
        code_point -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (code_point >> 10));
        out += static_cast<char16_t>(0xDC00 + (code_point & 0x3FF));
    } else {
        out += static_cast<char16_t>(code_point);
    }
}

// Malformed UTF-8 from a caller becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    for (std::size_t pos = 0; pos < utf8.size();) {
        if (const auto decoded = DecodeUtf8At(utf8, pos)) {
            AppendUtf16(out, decoded->code_point);
            pos += decoded->length;
        } else {
            out += u'\uFFFD';
            ++pos;
        }
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        const char16_t unit = utf16[i];
        if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
            utf16[i + 1] < 0xE000) {
            AppendUtf8(out, 0x10000 + ((char32_t{unit} - 0xD800) << 10) + (char32_t{utf16[i + 1]} - 0xDC00));
            ++i;
        } else {
            AppendUtf8(out, unit);
        }
    }
    return out;
}

// --- Case

// Lower case for ASCII, Latin-1, Latin Extended-A, basic Greek and Cyrillic, the letters of the menu's code
// pages. Lower rather than upper case, because that is the order in which Wine sorts keys ("_" before "A").
char16_t Fold(char16_t c) {
    if (c < 0x80) {
        return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 0x20) : c;
    }
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3AB && c != 0x3A2) ||
        (c >= 0x410 && c <= 0x42F)) {
        return static_cast<char16_t>(c + 0x20);
    }
    if (c == 0x178) {
        return 0xFF;
    }
    if (c == 0x3C2) {
        return 0x3C3; // final sigma
    }
    if (c >= 0x400 && c <= 0x40F) {
        return static_cast<char16_t>(c + 0x50);
    }
    if ((c >= 0x100 && c <= 0x137 && c != 0x130 && c != 0x131) || (c >= 0x14A && c <= 0x177)) {
        return static_cast<char16_t>(c | 1);
    }
    if (((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) && (c & 1) == 1) {
        return static_cast<char16_t>(c + 1);
    }
    return c;
}

std::u16string Fold(std::u16string_view text) {
    std::u16string out(text);
    for (auto& c : out) {
        c = Fold(c);
    }
    return out;
}

bool EqualFolded(std::u16string_view a, std::u16string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char16_t x, char16_t y) { return Fold(x) == Fold(y); });
}

// Wine's order: without regard to case, and for key paths a key before its subkeys ("\\" sorts before every
// other character).
int CompareFolded(std::u16string_view a, std::u16string_view b, bool separator_first) {
    const auto key = [separator_first](char16_t c) {
        return (separator_first && c == u'\\') ? char16_t{0} : Fold(c);
    };
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        if (key(a[i]) != key(b[i])) {
            return key(a[i]) < key(b[i]) ? -1 : 1;
        }
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

// Is `path` the key `key` or below it?
bool IsAtOrBelow(std::u16string_view path, std::u16string_view key) {
    return path.size() >= key.size() && EqualFolded(path.substr(0, key.size()), key) &&
           (path.size() == key.size() || key.empty() || path[key.size()] == u'\\');
}

// Empty parts (a leading "\", doubled or trailing ones) name no key.
std::u16string NormalizePath(std::u16string_view path) {
    std::u16string out;
    out.reserve(path.size());
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find(u'\\', start), path.size());
        if (end > start) {
            if (!out.empty()) {
                out += u'\\';
            }
            out += path.substr(start, end - start);
        }
        start = end + 1;
    }
    return out;
}

std::u16string PathFromUtf8(std::string_view key) {
    return NormalizePath(Utf8ToUtf16(key));
}

// --- Escapes

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

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

void AppendHexEscape(std::string& out, char16_t unit, bool four_digits) {
    char digits[4] = {};
    const auto result = std::to_chars(digits, digits + 4, static_cast<unsigned>(unit), 16);
    const auto count = static_cast<std::size_t>(result.ptr - digits);
    out += "\\x";
    if (four_digits) {
        out.append(4 - count, '0');
    }
    out.append(digits, count);
}

// Writes what ReadEscaped reads back unchanged. An escape followed by a digit it could swallow takes its
// full width, since Wine's reader would otherwise take that digit as part of the escape.
void AppendEscaped(std::string& out, std::u16string_view text, std::string_view delimiters) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        const char next = (i + 1 < text.size() && text[i + 1] < 0x80) ? static_cast<char>(text[i + 1]) : ' ';
        if (c == u'\\' || (c < 0x80 && delimiters.find(static_cast<char>(c)) != std::string_view::npos)) {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == u'\n') {
            out += "\\n";
        } else if (c == u'\r') {
            out += "\\r";
        } else if (c == u'\t') {
            out += "\\t";
        } else if (c == 0) {
            out += (next >= '0' && next <= '7') ? "\\000" : "\\0";
        } else if (c < 0x20 || c >= 0x7F) {
            AppendHexEscape(out, c, IsHexDigit(next));
        } else {
            out += static_cast<char>(c);
        }
    }
}

// --- Value data

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
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
            text += static_cast<char16_t>(static_cast<unsigned char>((*bytes)[i]) |
                                          (static_cast<unsigned char>((*bytes)[i + 1]) << 8));
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

// --- Lines

std::string_view WithoutLineEnd(std::string_view raw) {
    if (!raw.empty() && raw.back() == '\n') {
        raw.remove_suffix(1);
    }
    if (!raw.empty() && raw.back() == '\r') {
        raw.remove_suffix(1);
    }
    return raw;
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

void EnsureLineEnd(std::string& text) {
    if (!text.empty() && text.back() != '\n') {
        text += '\n';
    }
}

// Blocks we write are kept apart from their neighbours by one blank line, as Wine writes them.
void EnsureBlankLine(std::string& out) {
    if (out.empty()) {
        return;
    }
    EnsureLineEnd(out);
    if (out.size() < 2 || out[out.size() - 2] != '\n') {
        out += '\n';
    }
}

} // namespace

// --- Parse and serialize

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

std::string RegistryHive::Serialize(std::string_view relative_to) const {
    std::string out;
    if (!StartsWith(preamble_, kHeaderLine)) {
        out += kHeaderLine;
        out += "\n;; All keys relative to ";
        out += relative_to;
        out += "\n\n#arch=win64\n";
    }
    out += preamble_;
    for (std::size_t i = 0; i < blocks_.size(); ++i) {
        const Block& block = blocks_[i];
        if (block.rewritten || (i > 0 && blocks_[i - 1].rewritten)) {
            EnsureBlankLine(out);
        }
        out += block.key_line;
        for (const Line& line : block.lines) {
            out += line.text;
        }
    }
    return out;
}

void RegistryHive::Reindex() {
    keys_.clear();
    keys_.reserve(blocks_.size() * 2);
    for (std::size_t i = 0; i < blocks_.size(); ++i) {
        const std::u16string& path = blocks_[i].path;
        const std::u16string folded = Fold(path);
        for (std::size_t sep = folded.find(u'\\'); sep != std::u16string::npos;
             sep = folded.find(u'\\', sep + 1)) {
            const auto [entry, added] = keys_.try_emplace(folded.substr(0, sep));
            if (added) {
                entry->second.spelled = path.substr(0, sep);
            }
        }
        const auto [entry, added] = keys_.try_emplace(folded);
        if (added) {
            entry->second.spelled = path;
        }
        entry->second.blocks.push_back(i);
    }
}

// --- Reading

const RegistryHive::KeyEntry* RegistryHive::Find(std::u16string_view path) const {
    const auto found = keys_.find(Fold(path));
    return found == keys_.end() ? nullptr : &found->second;
}

std::optional<std::string> RegistryHive::ReadString(std::string_view key, std::string_view value_name) const {
    const KeyEntry* entry = Find(PathFromUtf8(key));
    const auto at = entry ? FindValue(*entry, Utf8ToUtf16(value_name)) : std::nullopt;
    if (!at) {
        return std::nullopt;
    }
    const Line& line = blocks_[at->block].lines[at->line];
    const auto text = ReadStringData(std::string_view(line.text).substr(line.data_offset));
    if (!text) {
        return std::nullopt;
    }
    return Utf16ToUtf8(*text);
}

bool RegistryHive::ValueExists(std::string_view key, std::string_view value_name) const {
    const KeyEntry* entry = Find(PathFromUtf8(key));
    return entry && FindValue(*entry, Utf8ToUtf16(value_name));
}

std::string_view RegistryHive::Architecture() const {
    constexpr std::string_view kArch = "#arch=";
    for (std::size_t at = preamble_.find(kArch); at != std::string::npos;
         at = preamble_.find(kArch, at + 1)) {
        if (at == 0 || preamble_[at - 1] == '\n') {
            const std::string_view rest = std::string_view(preamble_).substr(at + kArch.size());
            return WithoutLineEnd(rest.substr(0, rest.find('\n')));
        }
    }
    return {};
}

bool RegistryHive::KeyExists(std::string_view key) const {
    const std::u16string path = PathFromUtf8(key);
    return path.empty() || Find(path) != nullptr;
}

std::vector<std::string> RegistryHive::SubKeys(std::string_view key) const {
    const std::u16string path = PathFromUtf8(key);
    std::vector<std::string> names;
    if (!path.empty() && !Find(path)) {
        return names;
    }
    const std::size_t start = path.empty() ? 0 : path.size() + 1;
    std::unordered_set<std::u16string> seen;
    for (const Block& block : blocks_) {
        if (block.path.size() < start + 1 || !IsAtOrBelow(block.path, path)) {
            continue;
        }
        const std::u16string_view child =
            std::u16string_view(block.path).substr(start, block.path.find(u'\\', start) - start);
        if (seen.insert(Fold(child)).second) {
            names.push_back(Utf16ToUtf8(child));
        }
    }
    return names;
}

std::vector<std::string> RegistryHive::ValueNames(std::string_view key) const {
    std::vector<std::string> names;
    const KeyEntry* entry = Find(PathFromUtf8(key));
    if (!entry) {
        return names;
    }
    std::unordered_set<std::u16string> seen;
    for (const std::size_t index : entry->blocks) {
        for (const Line& line : blocks_[index].lines) {
            if (line.kind == LineKind::Value && seen.insert(Fold(line.name)).second) {
                names.push_back(Utf16ToUtf8(line.name));
            }
        }
    }
    return names;
}

// --- Editing

namespace {

struct WriteTime {
    std::int64_t unix_seconds = 0;
    std::uint64_t filetime = 0; // 100 ns since 1601, as "#time=" holds it
};

WriteTime Now() {
    using Ticks = std::chrono::duration<std::int64_t, std::ratio<1, 10'000'000>>;
    const auto ticks = std::chrono::duration_cast<Ticks>(std::chrono::system_clock::now().time_since_epoch());
    return {ticks.count() / 10'000'000, static_cast<std::uint64_t>(ticks.count()) + 116'444'736'000'000'000u};
}

std::string Hex(std::uint64_t value) {
    char digits[16] = {};
    const auto result = std::to_chars(digits, digits + 16, value, 16);
    return std::string(digits, result.ptr);
}

} // namespace

void RegistryHive::Stamp(Block& block) {
    const WriteTime time = Now();
    block.key_line.resize(block.key_name_end);
    block.key_line += ' ';
    block.key_line += std::to_string(time.unix_seconds);
    block.key_line += '\n';
    std::string time_line = "#time=" + Hex(time.filetime) + "\n";
    const auto found = std::find_if(block.lines.begin(), block.lines.end(),
                                    [](const Line& line) { return line.kind == LineKind::Time; });
    if (found != block.lines.end()) {
        found->text = std::move(time_line);
    } else {
        Line line;
        line.kind = LineKind::Time;
        line.text = std::move(time_line);
        block.lines.insert(block.lines.begin(), std::move(line));
    }
    block.rewritten = true;
}

RegistryHive::Line RegistryHive::MakeValueLine(std::u16string_view name, std::u16string_view data) {
    Line line;
    line.kind = LineKind::Value;
    line.name = name;
    if (name.empty()) {
        line.text = "@";
    } else {
        line.text = "\"";
        AppendEscaped(line.text, name, "\"");
        line.text += '"';
    }
    line.text += '=';
    line.data_offset = line.text.size();
    line.text += '"';
    AppendEscaped(line.text, data, "\"");
    line.text += "\"\n";
    return line;
}

// Before the first value that sorts after it; else after the last value; in a block without values, after
// the "#time", "#class" and "#link" lines that head it.
void RegistryHive::InsertValue(Block& block, Line line) {
    auto& lines = block.lines;
    std::size_t at = 0;
    while (at < lines.size() && (lines[at].kind == LineKind::Time || StartsWith(lines[at].text, "#"))) {
        ++at;
    }
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].kind != LineKind::Value) {
            continue;
        }
        if (CompareFolded(line.name, lines[i].name, false) < 0) {
            at = i;
            break;
        }
        at = i + 1;
    }
    EnsureLineEnd(at > 0 ? lines[at - 1].text : block.key_line);
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
}

// The last one wins when a value is given twice, as it does when Wine loads the file.
std::optional<RegistryHive::ValueAt> RegistryHive::FindValue(const KeyEntry& entry,
                                                             std::u16string_view name) const {
    for (auto block = entry.blocks.rbegin(); block != entry.blocks.rend(); ++block) {
        const auto& lines = blocks_[*block].lines;
        for (std::size_t line = lines.size(); line-- > 0;) {
            if (lines[line].kind == LineKind::Value && EqualFolded(lines[line].name, name)) {
                return ValueAt{*block, line};
            }
        }
    }
    return std::nullopt;
}

// A new key takes the spelling of the parts that already exist, so that Wine sees one key, not two.
std::size_t RegistryHive::InsertBlock(std::u16string_view path) {
    std::u16string spelled(path);
    for (std::size_t end = path.size(); end > 0;) {
        if (const KeyEntry* entry = Find(path.substr(0, end))) {
            spelled = entry->spelled + std::u16string(path.substr(end));
            break;
        }
        const std::size_t separator = path.rfind(u'\\', end - 1);
        end = separator == std::u16string_view::npos ? 0 : separator;
    }
    Block block;
    block.path = spelled;
    block.key_line = "[";
    AppendEscaped(block.key_line, spelled, "[]");
    block.key_line += ']';
    block.key_name_end = block.key_line.size();
    std::size_t at = 0;
    while (at < blocks_.size() && CompareFolded(blocks_[at].path, spelled, true) <= 0) {
        ++at;
    }
    blocks_.insert(blocks_.begin() + static_cast<std::ptrdiff_t>(at), std::move(block));
    Stamp(blocks_[at]);
    Reindex();
    return at;
}

HiveEdit RegistryHive::WriteString(std::string_view key, std::string_view value_name, std::string_view data) {
    const std::u16string path = PathFromUtf8(key);
    if (path.empty()) {
        return HiveEdit::Refused;
    }
    const std::u16string name = Utf8ToUtf16(value_name);
    const std::u16string text = Utf8ToUtf16(data);
    const KeyEntry* entry = Find(path);
    if (const auto at = entry ? FindValue(*entry, name) : std::nullopt) {
        Block& block = blocks_[at->block];
        Line& line = block.lines[at->line];
        const std::string_view old_data = std::string_view(line.text).substr(line.data_offset);
        if (StartsWith(old_data, "\"") && ReadStringData(old_data) == text) {
            return HiveEdit::Unchanged;
        }
        line = MakeValueLine(std::u16string(line.name), text);
        Stamp(block);
        return HiveEdit::Changed;
    }
    Block& block =
        (entry && !entry->blocks.empty()) ? blocks_[entry->blocks.back()] : blocks_[InsertBlock(path)];
    Stamp(block);
    InsertValue(block, MakeValueLine(name, text));
    return HiveEdit::Changed;
}

HiveEdit RegistryHive::CreateKey(std::string_view key) {
    const std::u16string path = PathFromUtf8(key);
    if (path.empty()) {
        return HiveEdit::Refused;
    }
    if (Find(path)) {
        return HiveEdit::Unchanged;
    }
    InsertBlock(path);
    return HiveEdit::Changed;
}

HiveEdit RegistryHive::DeleteValue(std::string_view key, std::string_view value_name) {
    const KeyEntry* entry = Find(PathFromUtf8(key));
    if (!entry) {
        return HiveEdit::Refused;
    }
    const std::u16string name = Utf8ToUtf16(value_name);
    bool removed = false;
    for (const std::size_t index : entry->blocks) {
        Block& block = blocks_[index];
        if (std::erase_if(block.lines, [&name](const Line& line) {
                return line.kind == LineKind::Value && EqualFolded(line.name, name);
            }) > 0) {
            Stamp(block);
            removed = true;
        }
    }
    return removed ? HiveEdit::Changed : HiveEdit::Refused;
}

HiveEdit RegistryHive::RemoveBlocks(std::u16string_view path, bool with_subkeys) {
    const KeyEntry* entry = path.empty() ? nullptr : Find(path);
    if (!entry) {
        return HiveEdit::Refused;
    }
    const std::u16string spelled = entry->spelled;
    const bool has_subkeys = std::any_of(blocks_.begin(), blocks_.end(), [path](const Block& block) {
        return block.path.size() > path.size() && IsAtOrBelow(block.path, path);
    });
    if (has_subkeys && !with_subkeys) {
        return HiveEdit::Refused;
    }
    std::erase_if(blocks_, [path](const Block& block) { return IsAtOrBelow(block.path, path); });
    Reindex();
    // The parent stays, as on Windows, even when this key was all that made it exist in the file.
    const std::size_t parent_end = spelled.rfind(u'\\');
    if (parent_end != std::u16string::npos && !Find(std::u16string_view(spelled).substr(0, parent_end))) {
        InsertBlock(std::u16string_view(spelled).substr(0, parent_end));
    }
    return HiveEdit::Changed;
}

HiveEdit RegistryHive::DeleteKeyTree(std::string_view key) {
    return RemoveBlocks(PathFromUtf8(key), true);
}

HiveEdit RegistryHive::DeleteKey(std::string_view key) {
    return RemoveBlocks(PathFromUtf8(key), false);
}

} // namespace tavox
