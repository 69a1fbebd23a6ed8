// Registry files from arbitrary bytes. Whatever can be read from a file can be read the same from its
// serialized form; a file that no edit touched is written back byte for byte; and after one edit every other
// value still reads as it did, while the edited one reads as written.

#include "fuzz_support.h"
#include "platform/registry_hive.h"

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

using tavox::HiveEdit;
using tavox::RegistryHive;
using tavox::fuzz::Require;

constexpr std::string_view kHeader = "WINE REGISTRY Version 2";
constexpr std::string_view kRoot = "REGISTRY\\\\Machine";
constexpr std::size_t kMaxKeys = 2000; // a bound for pathological inputs; the corpus stays far below

struct Key {
    std::string path;
    std::vector<std::string> subkeys;
    std::vector<std::pair<std::string, std::optional<std::string>>> values;
};

// Every key reachable from the root, with its subkeys and values, as the hive's own lookups report them.
std::vector<Key> Walk(const RegistryHive& hive) {
    std::vector<Key> keys;
    std::vector<std::string> pending{""};
    while (!pending.empty() && keys.size() < kMaxKeys) {
        Key key;
        key.path = std::move(pending.back());
        pending.pop_back();
        key.subkeys = hive.SubKeys(key.path);
        for (const std::string& name : hive.ValueNames(key.path)) {
            key.values.emplace_back(name, hive.ReadString(key.path, name));
        }
        for (const std::string& sub : key.subkeys) {
            pending.push_back(key.path.empty() ? sub : key.path + "\\" + sub);
        }
        keys.push_back(std::move(key));
    }
    return keys;
}

// Arbitrary bytes as UTF-8 text: each byte stands for the character of that number.
std::string AsUtf8(std::string_view bytes) {
    std::string text;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            text += c;
        } else {
            text += static_cast<char>(0xC0 | (byte >> 6));
            text += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return text;
}

bool SameValues(const Key& a, const Key& b) {
    return a.path == b.path && a.subkeys == b.subkeys && a.values == b.values;
}

enum class Op { Write, DeleteValue, DeleteKeyTree, CreateKey, Count };

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 256 * 1024) {
        return 0;
    }
    tavox::fuzz::InputReader input(data, size);
    const auto op = static_cast<Op>(input.Byte() % static_cast<int>(Op::Count));
    const std::string key = AsUtf8(input.Text(60));
    const std::string name = AsUtf8(input.Text(30));
    const std::string value = AsUtf8(input.Text());
    const std::string_view file = input.Rest();

    RegistryHive hive = RegistryHive::Parse(file);
    const std::vector<Key> keys = Walk(hive);
    const std::string serialized = hive.Serialize(kRoot);
    if (file.substr(0, kHeader.size()) == kHeader) {
        Require(serialized == file, "an untouched file is written back byte for byte");
    }
    const RegistryHive reread = RegistryHive::Parse(serialized);
    const std::vector<Key> keys_reread = Walk(reread);
    Require(keys_reread.size() == keys.size(), "a serialized file has the same keys");
    for (std::size_t i = 0; i < keys.size(); ++i) {
        Require(SameValues(keys[i], keys_reread[i]), "a serialized file reads the same");
    }
    Require(reread.Serialize(kRoot) == serialized, "serializing again changes nothing");

    HiveEdit edit = HiveEdit::Refused;
    switch (op) {
    case Op::Write:
        edit = hive.WriteString(key, name, value);
        break;
    case Op::DeleteValue:
        edit = hive.DeleteValue(key, name);
        break;
    case Op::DeleteKeyTree:
        edit = hive.DeleteKeyTree(key);
        break;
    case Op::CreateKey:
        edit = hive.CreateKey(key);
        break;
    case Op::Count:
        break;
    }
    const std::string edited_bytes = hive.Serialize(kRoot);
    if (edit != HiveEdit::Changed) {
        Require(edited_bytes == serialized, "an edit that changed nothing writes nothing new");
    }
    const RegistryHive edited = RegistryHive::Parse(edited_bytes);
    switch (op) {
    case Op::Write:
        Require(edit != HiveEdit::Refused || key.find_first_not_of('\\') == std::string::npos,
                "a string can be written to any key but the root");
        if (edit != HiveEdit::Refused) {
            Require(edited.ReadString(key, name) == value, "a written value reads back after a fresh read");
        }
        break;
    case Op::DeleteValue:
        if (edit == HiveEdit::Changed) {
            Require(!edited.ReadString(key, name) && edited.KeyExists(key), "a deleted value is gone");
        }
        break;
    case Op::DeleteKeyTree:
        if (edit == HiveEdit::Changed) {
            Require(!edited.KeyExists(key), "a deleted key is gone");
        }
        break;
    case Op::CreateKey:
        Require(edit == HiveEdit::Refused || edited.KeyExists(key), "a created key exists");
        break;
    case Op::Count:
        break;
    }

    // Every other value reads as before: only the edited value or what lay below a deleted key may differ.
    for (const Key& old_key : keys) {
        if (op == Op::DeleteKeyTree && edit == HiveEdit::Changed) {
            // The hive's own matching tells whether this key was at or below the deleted one.
            RegistryHive probe;
            probe.CreateKey(old_key.path);
            if (probe.KeyExists(key) && !old_key.path.empty()) {
                continue;
            }
        }
        Require(old_key.path.empty() || edited.KeyExists(old_key.path), "an edit keeps the other keys");
        for (const auto& [value_name, old_value] : old_key.values) {
            const std::optional<std::string> now = edited.ReadString(old_key.path, value_name);
            if (now == old_value) {
                continue;
            }
            // It differs: it must be the edited value, found again by the hive's own name matching.
            const bool is_edited =
                (op == Op::Write || op == Op::DeleteValue) && edit == HiveEdit::Changed &&
                now == (op == Op::Write ? std::optional<std::string>(value) : std::nullopt);
            Require(is_edited, "an edit keeps every other value");
        }
    }
    return 0;
}
