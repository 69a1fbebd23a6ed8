// rar-writer: writes a stored RAR 4 or RAR 5 archive from entries given on the command line, with the faults
// and hostile names that test fixtures need.

#include "rar-writer/rar_writer.h"

#include <charconv>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using tavox::rar_writer::Archive;
using tavox::rar_writer::Entry;

constexpr std::string_view kUsage =
    "Usage: rar-writer [--rar5] [--comment TEXT] [--truncate BYTES] [--many COUNT] OUTPUT [ENTRY...]\n"
    "\n"
    "ENTRY is one of\n"
    "  NAME=TEXT       a file holding TEXT\n"
    "  NAME=@FILE      a file holding the bytes of the host file FILE\n"
    "  NAME\\ or NAME/  a directory\n"
    "  NAME->TARGET    a symbolic link\n"
    "and may be preceded by faults that apply to it alone:\n"
    "  --encrypted     set the encrypted flag\n"
    "  --bad-crc       store a file CRC that does not match the data\n"
    "  --bad-header    store a header CRC that does not match the header\n"
    "  --as-is         keep the name's bytes (no change of separators)\n"
    "NAMES use '\\' between their parts. --many adds COUNT small files FILE00001.TXT ... after the "
    "entries.\n";

void Print(std::FILE* stream, std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stream);
}

int Fail(std::string_view message) {
    Print(stderr, "rar-writer: ");
    Print(stderr, message);
    Print(stderr, "\n");
    return 1;
}

std::optional<std::size_t> ParseCount(std::string_view text) {
    std::size_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::string> ReadHostFile(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        return std::nullopt;
    }
    std::string bytes;
    char buffer[65536];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes.append(buffer, got);
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    return failed ? std::nullopt : std::optional<std::string>(std::move(bytes));
}

// The entry an argument describes, with the faults collected before it; nothing when a host file is
// unreadable.
std::optional<Entry> ParseEntry(std::string_view argument, const Entry& faults) {
    Entry entry = faults;
    if (const auto arrow = argument.find("->"); arrow != std::string_view::npos) {
        entry.kind = tavox::rar_writer::EntryKind::Symlink;
        entry.name = argument.substr(0, arrow);
        entry.data = argument.substr(arrow + 2);
    } else if (const auto equals = argument.find('='); equals != std::string_view::npos) {
        entry.name = argument.substr(0, equals);
        const std::string_view value = argument.substr(equals + 1);
        if (value.starts_with('@')) {
            auto bytes = ReadHostFile(std::string(value.substr(1)));
            if (!bytes) {
                return std::nullopt;
            }
            entry.data = std::move(*bytes);
        } else {
            entry.data = value;
        }
    } else {
        entry.kind = tavox::rar_writer::EntryKind::Directory;
        entry.name = argument;
        if (entry.name.ends_with('\\') || entry.name.ends_with('/')) {
            entry.name.pop_back();
        }
    }
    return entry;
}

std::string ManyName(std::size_t index) {
    std::string digits = std::to_string(index);
    return "FILE" + std::string(digits.size() < 5 ? 5 - digits.size() : 0, '0') + digits + ".TXT";
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    Archive archive;
    std::optional<std::string> output;
    std::size_t many = 0;
    Entry faults;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        const bool has_value = i + 1 < args.size();
        if (arg == "--help" || arg == "-h") {
            Print(stdout, kUsage);
            return 0;
        } else if (arg == "--rar5") {
            archive.format = tavox::rar_writer::Format::Rar5;
        } else if (arg == "--comment" && has_value) {
            archive.comment = args[++i];
        } else if ((arg == "--truncate" || arg == "--many") && has_value) {
            const auto count = ParseCount(args[++i]);
            if (!count) {
                return Fail("not a number: " + std::string(args[i]));
            }
            if (arg == "--many") {
                many = *count;
            } else {
                archive.truncate_at = *count;
            }
        } else if (arg == "--encrypted") {
            faults.encrypted = true;
        } else if (arg == "--bad-crc") {
            faults.bad_crc = true;
        } else if (arg == "--bad-header") {
            faults.bad_header_crc = true;
        } else if (arg == "--as-is") {
            faults.name_as_is = true;
        } else if (arg.starts_with("--")) {
            Print(stderr, kUsage);
            return Fail("unknown option " + std::string(arg));
        } else if (!output) {
            output = arg;
        } else {
            auto entry = ParseEntry(arg, faults);
            if (!entry) {
                return Fail("cannot read the file of " + std::string(arg));
            }
            archive.entries.push_back(std::move(*entry));
            faults = Entry();
        }
    }
    if (!output) {
        Print(stderr, kUsage);
        return 1;
    }
    for (std::size_t i = 1; i <= many; ++i) {
        archive.entries.push_back(tavox::rar_writer::File(ManyName(i), "file " + std::to_string(i) + "\r\n"));
    }
    if (!tavox::rar_writer::WriteArchive(*output, archive)) {
        return Fail("cannot write " + *output);
    }
    return 0;
}
