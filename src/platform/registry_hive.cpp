#include "platform/registry_hive.h"

#include "base/code_page.h"
#include "platform/registry_hive_text.h"

#include <algorithm>
#include <unordered_set>

// The key model: the index of keys over the file's blocks and the reading side. Parsing is in
// registry_hive_parser.cpp, serializing and editing in registry_hive_writer.cpp.

namespace tavox {

namespace hive_text {

namespace {

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

} // namespace

// --- UTF-8 and UTF-16

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

// --- Case and key paths

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

bool IsAtOrBelow(std::u16string_view path, std::u16string_view key) {
    return path.size() >= key.size() && EqualFolded(path.substr(0, key.size()), key) &&
           (path.size() == key.size() || key.empty() || path[key.size()] == u'\\');
}

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

} // namespace hive_text

using hive_text::EqualFolded;
using hive_text::Fold;
using hive_text::IsAtOrBelow;
using hive_text::PathFromUtf8;
using hive_text::ReadStringData;
using hive_text::Utf8ToUtf16;
using hive_text::WithoutLineEnd;

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
    return Utf16ToUtf8(*text, UnpairedSurrogate::Keep);
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
            names.push_back(Utf16ToUtf8(child, UnpairedSurrogate::Keep));
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
                names.push_back(Utf16ToUtf8(line.name, UnpairedSurrogate::Keep));
            }
        }
    }
    return names;
}

} // namespace tavox
