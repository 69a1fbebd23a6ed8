// Profile files from arbitrary bytes, then one edit. Every key that could be read before the edit reads the
// same afterwards except the edited one, every line the edit did not touch is still there byte for byte, a
// write that reports failure leaves the file as it was, and an edit that finds nothing to do writes nothing.

#include "base/ascii.h"
#include "fuzz_support.h"
#include "platform/profile_file.h"

#include <algorithm>
#include <cstddef>
#include <functional>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

using tavox::LowerCaseAscii;
using tavox::ProfileFile;
using tavox::fuzz::Require;

using Name = std::pair<std::string, std::string>; // section and key, folded
using Snapshot = std::map<Name, std::string>;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// What reading a written value gives back: blanks around it trimmed, one pair of matching quotes taken off,
// at most 1023 bytes.
std::string ReadBack(std::string_view value) {
    value = Trim(value);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return std::string(value.substr(0, 1023));
}

Snapshot Read(const ProfileFile& ini) {
    Snapshot snapshot;
    for (const std::string& section : ini.ReadSections()) {
        for (const std::string& key : ini.ReadSection(section)) {
            snapshot[{LowerCaseAscii(section), LowerCaseAscii(key)}] =
                ini.ReadString(section, key, "<missing>");
        }
    }
    return snapshot;
}

std::vector<Name> Names(const Snapshot& snapshot) {
    std::vector<Name> names;
    for (const auto& [name, value] : snapshot) {
        names.push_back(name);
    }
    return names;
}

// Line texts without their line ends.
std::vector<std::string_view> Lines(std::string_view content) {
    std::vector<std::string_view> lines;
    while (!content.empty()) {
        const std::size_t newline = content.find('\n');
        std::string_view line = content.substr(0, newline);
        content.remove_prefix(newline == std::string_view::npos ? content.size() : newline + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.push_back(line);
    }
    return lines;
}

// How many lines of `before` are missing from `after` when `after` keeps the rest in order. Edits are local:
// the common head and tail are taken off first, and what remains is small.
std::size_t LinesLost(std::span<const std::string_view> before, std::span<const std::string_view> after) {
    while (!before.empty() && !after.empty() && before.front() == after.front()) {
        before = before.subspan(1);
        after = after.subspan(1);
    }
    while (!before.empty() && !after.empty() && before.back() == after.back()) {
        before = before.first(before.size() - 1);
        after = after.first(after.size() - 1);
    }
    // Longest common subsequence of the rest.
    std::vector<std::size_t> row(after.size() + 1, 0);
    for (const std::string_view line : before) {
        std::size_t diagonal = 0;
        for (std::size_t j = 1; j <= after.size(); ++j) {
            const std::size_t up = row[j];
            row[j] = line == after[j - 1] ? diagonal + 1 : std::max(row[j], row[j - 1]);
            diagonal = up;
        }
    }
    return before.size() - row[after.size()];
}

// Calls `action` with the section and key as the file spells them, for the folded name of a snapshot.
void ForSpelledName(const ProfileFile& ini, const Name& name,
                    const std::function<void(const std::string&, const std::string&)>& action) {
    for (const std::string& section : ini.ReadSections()) {
        if (LowerCaseAscii(section) != name.first) {
            continue;
        }
        for (const std::string& key : ini.ReadSection(section)) {
            if (LowerCaseAscii(key) == name.second) {
                action(section, key);
                return;
            }
        }
    }
}

bool IsPlain(std::string_view text) {
    for (const char c : text) {
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!letter) {
            return false;
        }
    }
    return !text.empty();
}

enum class Op { Write, Rewrite, DeleteKey, DeleteExisting, EraseSection, Count };

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 64 * 1024) {
        return 0; // long lines are covered by the seeds; beyond this the fuzzer only slows down
    }
    tavox::fuzz::InputReader input(data, size);
    const auto op = static_cast<Op>(input.Byte() % static_cast<int>(Op::Count));
    const std::uint8_t pick = input.Byte();
    const std::string section(input.Text(40));
    const std::string key(input.Text(40));
    const std::string value(input.Text());
    const std::string before(input.Rest());

    const auto path = tavox::fuzz::ScratchDir() / "settings.ini";
    tavox::fuzz::WriteBytes(path, before);
    ProfileFile ini(path);
    const Snapshot old_values = Read(ini);
    const std::vector<Name> names = Names(old_values);

    // The edit, and the one name it may change (empty when it may change none).
    Name edited;
    bool ok = true;
    bool changes_nothing = false;
    switch (op) {
    case Op::Write:
        ok = ini.WriteString(section, key, value).Ok();
        edited = {LowerCaseAscii(Trim(section)), LowerCaseAscii(Trim(key))};
        // Names and values of letters and digits always fit in a profile file.
        Require(ok || !IsPlain(section) || !IsPlain(key) || (!value.empty() && !IsPlain(value)),
                "a plain name and value can be written");
        break;
    case Op::Rewrite:
        if (!names.empty()) {
            const Name& name = names[pick % names.size()];
            const std::string& old_value = old_values.at(name);
            ForSpelledName(ini, name, [&](const std::string& s, const std::string& k) {
                ok = ini.WriteString(s, k, old_value).Ok();
                // Only a carriage return inside a name or value cannot be written back.
                Require(ok || (s + k + old_value).find('\r') != std::string::npos,
                        "a value read from the file can be written back");
            });
            // A value that was quoted twice or cut at 1023 bytes reads differently once written back, as on
            // Windows; any other must read exactly the same.
            if (ReadBack(old_value) != old_value) {
                edited = name;
            }
        }
        break;
    case Op::DeleteKey:
        changes_nothing = !old_values.contains({LowerCaseAscii(Trim(section)), LowerCaseAscii(Trim(key))});
        ok = ini.DeleteKey(section, key).Ok();
        edited = {LowerCaseAscii(Trim(section)), LowerCaseAscii(Trim(key))};
        break;
    case Op::DeleteExisting:
        if (!names.empty()) {
            edited = names[pick % names.size()];
            ForSpelledName(ini, edited, [&](const std::string& s, const std::string& k) {
                ok = ini.DeleteKey(s, k).Ok();
            });
        }
        break;
    case Op::EraseSection:
        changes_nothing = !ini.SectionExists(section);
        ok = ini.EraseSection(section).Ok();
        break;
    case Op::Count:
        break;
    }

    const std::string after = tavox::fuzz::ReadBytes(path);
    if (!ok || changes_nothing) {
        Require(after == before, "a refused or empty edit leaves the file as it was");
    }
    Require(ok || op == Op::Write || op == Op::Rewrite, "only a write can be refused");

    // The same content seen by the writer and by a fresh reader.
    const Snapshot new_values = Read(ini);
    Require(new_values == Read(ProfileFile(path)), "the writer and a fresh reader see the same file");

    const std::vector<std::string_view> old_lines = Lines(before);
    const std::vector<std::string_view> new_lines = Lines(after);
    if (op == Op::EraseSection) {
        for (const auto& [name, old_value] : old_values) {
            if (name.first == LowerCaseAscii(Trim(section))) {
                continue;
            }
            const auto found = new_values.find(name);
            // A later section of the same name takes the erased one's place.
            Require(found == new_values.end() || found->second == old_value || !ok,
                    "erasing a section keeps the others");
        }
        return 0;
    }

    for (const auto& [name, old_value] : old_values) {
        if (name == edited && ok) {
            continue;
        }
        const auto found = new_values.find(name);
        Require(found != new_values.end() && found->second == old_value, "an edit keeps every other key");
    }
    for (const auto& [name, new_value] : new_values) {
        Require(old_values.contains(name) || name == edited, "an edit adds no other key");
    }
    if (!ok) {
        return 0;
    }
    switch (op) {
    case Op::Write: {
        const auto found = new_values.find(edited);
        Require(found != new_values.end() && found->second == ReadBack(value), "a written value reads back");
        Require(LinesLost(old_lines, new_lines) <= 1 && new_lines.size() <= old_lines.size() + 2,
                "a write replaces at most the key's own line");
        break;
    }
    case Op::Rewrite:
        Require(LinesLost(old_lines, new_lines) <= 1 && new_lines.size() == old_lines.size(),
                "writing a value back touches only its line");
        break;
    case Op::DeleteKey:
    case Op::DeleteExisting:
        // A duplicate of the key further down its section may show through afterwards; that is allowed.
        if (old_values.contains(edited)) {
            Require(new_lines.size() + 1 == old_lines.size() && LinesLost(old_lines, new_lines) == 1,
                    "deleting a key removes its line and no other");
        }
        break;
    case Op::EraseSection:
    case Op::Count:
        break;
    }
    return 0;
}
