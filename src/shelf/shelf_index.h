#pragma once

// What a shelf knows of its discs, kept in an SQLite database with a full-text index of their items, keyed by
// each file's path, size and modification time, so that an unchanged shelf opens without reading any image.

#include "shelf/shelf_disc.h"
#include "shelf/shelf_folder.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

namespace tavox {

// One file of a shelf: a disc, or a file listed apart with the reason it is none.
struct ShelfListing {
    std::string path;
    std::string reason; // empty for a disc
    ShelfDisc disc;     // without its items
    std::optional<IssueDate> date;
};

// One item found by a search, with its disc.
struct ShelfHit {
    std::string path;
    std::string cd_issue;
    std::uint8_t page = 0;
    int number = 0;
    std::string name;
    std::string list_key;
};

// Told before each disc is read: how many were read so far, how many are to be read, and which is next;
// returning false ends the refresh there (what was read is kept).
using ShelfProgress =
    std::function<bool(std::size_t done, std::size_t total, const std::filesystem::path& next)>;

// One index may be refreshed on one thread while it is searched on another.
class ShelfIndex {
public:
    // Opens the index file, making it and its folder when missing. A file that is damaged or not an index of
    // ours is made anew; when the file cannot be kept at all, the index lives in memory and Notice() says
    // why.
    explicit ShelfIndex(const std::filesystem::path& file);
    ~ShelfIndex();
    ShelfIndex(const ShelfIndex&) = delete;
    ShelfIndex& operator=(const ShelfIndex&) = delete;

    // For the user, once: why the index is not kept on disk. Empty when it is.
    const std::string& Notice() const { return notice_; }

    // Brings the index of the folder up to date: new and changed files are read, removed ones forgotten.
    // Returns the discs and files read.
    std::size_t Refresh(const std::filesystem::path& folder, const ShelfProgress& progress = {});

    // The folder's files as the index knows them: discs by issue date, then the files that are no discs.
    // Pictures only when asked for.
    std::vector<ShelfListing> Listings(const std::filesystem::path& folder, bool with_pictures) const;

    // The picture of one disc, as Listings gives it.
    std::string Picture(const std::string& path) const;

    // The items of the folder's discs that match every word (letter case and accents aside; a word matches
    // the beginning of a word of the item's names, maker or descriptions), by issue date, page and number.
    // At most `limit` of them, the first in that order.
    std::vector<ShelfHit> Search(const std::filesystem::path& folder, std::string_view words,
                                 std::size_t limit = SIZE_MAX) const;

    // The index file for the menu's cache: $XDG_CACHE_HOME/tavox95/shelf.sqlite.
    static std::filesystem::path DefaultFile();

private:
    struct Closer {
        void operator()(sqlite3* db) const;
    };
    class Statement;
    bool OpenFile(const std::filesystem::path& file);
    bool Prepare();
    void Store(const ShelfEntry& entry, const ShelfReading& reading);
    void Forget(const std::string& path);
    // The slot of a new disc among the discs of its issue, in path order; later discs move up to make room.
    std::int64_t TakeSlot(std::int64_t issue_order, const std::string& path);
    bool Execute(const char* sql) const;
    // The first column of the first row; nothing when the statement fails.
    std::optional<std::int64_t> Number(const char* sql) const;

    std::unique_ptr<sqlite3, Closer> db_;
    std::string notice_;
    // Prepared once, for every keystroke of a search; one thread at a time steps it.
    mutable std::unique_ptr<Statement> search_;
    mutable std::mutex search_mutex_;
};

// The words of a search as a full-text query: each word a prefix, every word required. Empty for no words.
std::string FullTextQuery(std::string_view words);

} // namespace tavox
