#include "platform/registry_hive.h"

#include "platform/registry_hive_text.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <utility>

// Writing a hive: the file's bytes back, and the edits that stamp and place blocks and values as Wine would.

namespace tavox {

using hive_text::CompareFolded;
using hive_text::EqualFolded;
using hive_text::IsAtOrBelow;
using hive_text::IsHexDigit;
using hive_text::PathFromUtf8;
using hive_text::ReadStringData;
using hive_text::StartsWith;
using hive_text::Utf8ToUtf16;

namespace {

constexpr std::string_view kHeaderLine = "WINE REGISTRY Version 2";

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

// --- Editing

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
