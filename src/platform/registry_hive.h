#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tavox {

// What an edit did to a hive: refused (nothing to delete, a key that cannot be written), nothing to do (the
// value already had that data), or changed (the file has to be written).
enum class HiveEdit { Refused, Unchanged, Changed };

// One Wine registry file (system.reg or user.reg) held as its key blocks. Reading never fails: whatever is
// not understood is kept as it is and written back unchanged. A block that no edit touched is written back
// byte for byte, and so is every line of a touched block that the edit did not replace, so a file keeps
// Wine's form, and value types we never interpret survive a write.
//
// Key paths are relative to the file's root, UTF-8, "\"-separated (empty parts such as a leading "\" are
// ignored) and matched without regard to case; an empty value name is the default value. A key exists when a
// block names it or any key below it, as Wine writes no block for a key that only holds subkeys.
class RegistryHive {
public:
    static RegistryHive Parse(std::string_view bytes);

    // The file's bytes. When the text does not start with Wine's header, a header is put in front, naming
    // `relative_to` in the file's escaped form (e.g. "REGISTRY\\\\Machine"), so that Wine will read it.
    std::string Serialize(std::string_view relative_to) const;

    // What the "#arch=" line of the header names ("win32", "win64"); empty without one.
    std::string_view Architecture() const;

    // REG_SZ or REG_EXPAND_SZ data (also in the hex(1)/hex(2) form); nullopt for other types.
    std::optional<std::string> ReadString(std::string_view key, std::string_view value_name) const;
    bool KeyExists(std::string_view key) const;
    // A value of any type.
    bool ValueExists(std::string_view key, std::string_view value_name) const;
    // Direct subkeys as first spelled, each once, in file order.
    std::vector<std::string> SubKeys(std::string_view key) const;
    std::vector<std::string> ValueNames(std::string_view key) const;

    // Edits stamp the blocks they change with the current time, as Wine records a key's last write.
    // New blocks and values go where Wine would put them (keys and values sorted without regard to case).
    HiveEdit WriteString(std::string_view key, std::string_view value_name, std::string_view data);
    HiveEdit CreateKey(std::string_view key);
    HiveEdit DeleteValue(std::string_view key, std::string_view value_name);
    HiveEdit DeleteKeyTree(std::string_view key);
    // Refused while the key has subkeys.
    HiveEdit DeleteKey(std::string_view key);

private:
    enum class LineKind { Value, Time, Other };
    // One logical line: a value (with its continuation lines), a "#time=" line, or anything else (blank
    // lines, "#class", "#link", comments, junk), with its original text including the line ends.
    struct Line {
        LineKind kind = LineKind::Other;
        std::u16string name;         // value name, decoded
        std::size_t data_offset = 0; // where the value's data starts in text
        std::string text;
    };
    struct Block {
        std::u16string path;          // decoded, empty parts dropped, as spelled in the file
        std::string key_line;         // "[...] stamp" with its line end
        std::size_t key_name_end = 0; // just past the "]" in key_line
        std::vector<Line> lines;
        bool rewritten = false; // touched by an edit: keep it apart from its neighbours by a blank line
    };
    struct KeyEntry {
        std::u16string spelled;          // the path as the first block that names it spells it
        std::vector<std::size_t> blocks; // blocks of exactly this key, in file order
    };

    struct ValueAt {
        std::size_t block = 0;
        std::size_t line = 0;
    };

    static void Stamp(Block& block);
    static Line MakeValueLine(std::u16string_view name, std::u16string_view data);
    static void InsertValue(Block& block, Line line);

    const KeyEntry* Find(std::u16string_view path) const;
    std::optional<ValueAt> FindValue(const KeyEntry& entry, std::u16string_view name) const;
    std::size_t InsertBlock(std::u16string_view path);
    HiveEdit RemoveBlocks(std::u16string_view path, bool with_subkeys);
    void Reindex();

    std::string preamble_; // everything before the first key block
    std::vector<Block> blocks_;
    std::unordered_map<std::u16string, KeyEntry> keys_; // by case-folded path, including implied parents
};

} // namespace tavox
