#include "shelf/shelf_index.h"

#include "catalogue/records.h"
#include "disc/disc_cache.h"

#include <sqlite3.h>

#include <algorithm>
#include <map>
#include <string>
#include <tuple>

namespace tavox {

namespace {

namespace fs = std::filesystem;

// "TAVX": tells our index from any other SQLite file of the same name.
constexpr int kApplicationId = 0x54415658;
// Raised with every change of the tables below: an index of another version is made anew.
constexpr int kSchemaVersion = 3;

// An item's rowid is its place among the results: its issue's date, its disc among the discs of that issue
// (by path), its page and number. The full-text index hands out matches in rowid order, so that a search
// reads its first rows and stops instead of sorting every match. A catalogue holds at most 100 items, and
// an issue_order is below 2^20.
constexpr int kItemBits = 16;
constexpr int kSlotBits = 24;
constexpr std::int64_t kItemsPerDisc = std::int64_t{1} << kItemBits;

std::int64_t FirstRowid(std::int64_t issue_order, std::int64_t slot) {
    return (issue_order << (kSlotBits + kItemBits)) | (slot << kItemBits);
}

// The picture comes last: a row's columns after a large value are read only through its overflow pages.
// Prefixes of one to three letters have their own index: the first keystrokes of a search match the most.
constexpr const char* kTables = R"(
CREATE TABLE files(
    id INTEGER PRIMARY KEY, path TEXT UNIQUE NOT NULL, size INTEGER NOT NULL, mtime INTEGER NOT NULL,
    reason TEXT NOT NULL, cd_issue TEXT NOT NULL, demos INTEGER NOT NULL, shareware INTEGER NOT NULL,
    updates INTEGER NOT NULL, readers INTEGER NOT NULL, hotshots INTEGER NOT NULL,
    issue_order INTEGER NOT NULL, slot INTEGER NOT NULL, picture BLOB);
CREATE INDEX files_by_issue ON files(issue_order, path);
CREATE VIRTUAL TABLE items USING fts5(
    name, full_name, firm, texts, file UNINDEXED, page UNINDEXED, number UNINDEXED, list_key UNINDEXED,
    tokenize = 'unicode61 remove_diacritics 2', prefix = '1 2 3');
)";

// The tables, marked as ours and of this version.
std::string Schema() {
    return "PRAGMA application_id = " + std::to_string(kApplicationId) +
           "; PRAGMA user_version = " + std::to_string(kSchemaVersion) + ";" + kTables;
}

// The folder as its files' paths begin: absolute, without "." or ".." parts or a trailing "/".
fs::path Normalized(const fs::path& folder) {
    std::error_code ec;
    fs::path path = fs::absolute(folder, ec).lexically_normal();
    return path.has_filename() || path == path.root_path() ? path : path.parent_path();
}

// The paths of a folder's files: the folder itself, and everything below it ("/" sorts just before "0").
struct PathRange {
    explicit PathRange(const fs::path& folder)
        : exact(Normalized(folder).string()), low(exact + "/"), high(exact + "0") {}
    std::string exact;
    std::string low;
    std::string high;
};
constexpr const char* kInRange = "(path = ?1 OR (path > ?2 AND path < ?3))";

int PageOrder(std::uint8_t page) {
    constexpr std::uint8_t kOrder[] = {PageKind::Demos, PageKind::Shareware, PageKind::Updates,
                                       PageKind::Readers, PageKind::Hotshots};
    return static_cast<int>(std::find(std::begin(kOrder), std::end(kOrder), page) - std::begin(kOrder));
}

// Discs without a date go after the dated ones.
std::tuple<int, int> DateKey(const std::optional<IssueDate>& date) {
    return date ? std::tuple(date->year, date->month) : std::tuple(9999, 99);
}

} // namespace

// One prepared statement, reset for each use.
class ShelfIndex::Statement {
public:
    Statement(sqlite3* db, const char* sql) {
        if (sqlite3_prepare_v2(db, sql, -1, &statement_, nullptr) != SQLITE_OK) {
            statement_ = nullptr;
        }
    }
    ~Statement() { sqlite3_finalize(statement_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& Bind(const PathRange& range) {
        return Bind(1, range.exact).Bind(2, range.low).Bind(3, range.high);
    }
    Statement& Bind(int index, std::string_view text) {
        sqlite3_bind_text(statement_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Statement& BindBlob(int index, std::string_view bytes) {
        sqlite3_bind_blob(statement_, index, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Statement& Bind(int index, std::int64_t value) {
        sqlite3_bind_int64(statement_, index, value);
        return *this;
    }
    // True while a row is there.
    bool Step() { return statement_ != nullptr && sqlite3_step(statement_) == SQLITE_ROW; }
    // Makes a statement that was stepped ready for the next use.
    void Reset() { sqlite3_reset(statement_); }
    // Runs a statement that returns no rows, and makes it ready for the next.
    bool Run() {
        const int status = statement_ != nullptr ? sqlite3_step(statement_) : SQLITE_ERROR;
        sqlite3_reset(statement_);
        return status == SQLITE_DONE;
    }
    std::string Text(int column) const {
        const auto* text = sqlite3_column_blob(statement_, column);
        const int size = sqlite3_column_bytes(statement_, column);
        return text != nullptr ? std::string(static_cast<const char*>(text), static_cast<std::size_t>(size))
                               : std::string();
    }
    std::int64_t Integer(int column) const { return sqlite3_column_int64(statement_, column); }

private:
    sqlite3_stmt* statement_ = nullptr;
};

void ShelfIndex::Closer::operator()(sqlite3* db) const {
    sqlite3_close_v2(db);
}

ShelfIndex::ShelfIndex(const fs::path& file) {
    std::error_code ec;
    fs::create_directories(file.parent_path(), ec);
    if (OpenFile(file)) {
        return;
    }
    // Never trusted: a file that is not our index, or a damaged one, is made anew.
    db_.reset();
    for (const char* suffix : {"", "-journal", "-wal", "-shm"}) {
        fs::remove(file.string() + suffix, ec);
    }
    if (OpenFile(file)) {
        return;
    }
    notice_ = "The shelf's index cannot be kept in \"" + file.parent_path().string() +
              "\"; every disc is read again each time the shelf opens.";
    db_.reset();
    sqlite3* db = nullptr;
    sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX, nullptr);
    db_.reset(db);
    Execute(Schema().c_str());
}

ShelfIndex::~ShelfIndex() = default;

bool ShelfIndex::OpenFile(const fs::path& file) {
    sqlite3* db = nullptr;
    const int status = sqlite3_open_v2(
        file.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr);
    db_.reset(db);
    if (status != SQLITE_OK) {
        return false;
    }
    sqlite3_busy_timeout(db, 2000);
    const std::optional<std::int64_t> application = Number("PRAGMA application_id");
    if (application == 0) {
        // A new, empty file is made ours; one that holds something already is not ours to use.
        return Number("SELECT count(*) FROM sqlite_master") == 0 && Execute(Schema().c_str()) && Prepare();
    }
    const auto healthy = [db] {
        Statement check(db, "PRAGMA quick_check");
        return check.Step() && check.Text(0) == "ok";
    };
    return application == kApplicationId && Number("PRAGMA user_version") == kSchemaVersion && healthy() &&
           Prepare();
}

std::optional<std::int64_t> ShelfIndex::Number(const char* sql) const {
    Statement statement(db_.get(), sql);
    return statement.Step() ? std::optional(statement.Integer(0)) : std::nullopt;
}

bool ShelfIndex::Prepare() {
    // The write that tells a read-only file from a writable one.
    return Execute("PRAGMA journal_mode = WAL; BEGIN IMMEDIATE; COMMIT;") &&
           Number("SELECT count(*) FROM items").has_value();
}

bool ShelfIndex::Execute(const char* sql) const {
    return sqlite3_exec(db_.get(), sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

void ShelfIndex::Forget(const std::string& path) {
    Statement file(db_.get(), "SELECT issue_order, slot FROM files WHERE path = ?1");
    if (!file.Bind(1, path).Step()) {
        return;
    }
    const std::int64_t first = FirstRowid(file.Integer(0), file.Integer(1));
    Statement items(db_.get(), "DELETE FROM items WHERE rowid >= ?1 AND rowid < ?2");
    items.Bind(1, first).Bind(2, first + kItemsPerDisc).Run();
    Statement row(db_.get(), "DELETE FROM files WHERE path = ?1");
    row.Bind(1, path).Run();
}

std::int64_t ShelfIndex::TakeSlot(std::int64_t issue_order, const std::string& path) {
    Statement before(db_.get(),
                     "SELECT coalesce(max(slot) + 1, 0) FROM files WHERE issue_order = ?1 AND path < ?2");
    before.Bind(1, issue_order).Bind(2, path).Step();
    const std::int64_t slot = before.Integer(0);
    Statement after(db_.get(),
                    "SELECT id, slot FROM files WHERE issue_order = ?1 AND path > ?2 ORDER BY path");
    after.Bind(1, issue_order).Bind(2, path);
    std::vector<std::pair<std::int64_t, std::int64_t>> later; // id, slot
    while (after.Step()) {
        later.emplace_back(after.Integer(0), after.Integer(1));
    }
    if (later.empty() || later.front().second > slot) {
        return slot;
    }
    // From the last, so that each moves into a slot already left.
    Statement items(db_.get(), "UPDATE items SET rowid = rowid + ?3 WHERE rowid >= ?1 AND rowid < ?2");
    Statement file(db_.get(), "UPDATE files SET slot = slot + 1 WHERE id = ?1");
    for (auto it = later.rbegin(); it != later.rend(); ++it) {
        const std::int64_t first = FirstRowid(issue_order, it->second);
        items.Bind(1, first).Bind(2, first + kItemsPerDisc).Bind(3, kItemsPerDisc).Run();
        file.Bind(1, it->first).Run();
    }
    return slot;
}

void ShelfIndex::Store(const ShelfEntry& entry, const ShelfReading& reading) {
    const std::string path = entry.path.string();
    Forget(path);
    const ShelfDisc empty;
    const ShelfDisc& disc = reading.disc ? *reading.disc : empty;
    const auto [year, month] = DateKey(ReadIssueDate(disc.cd_issue));
    const std::int64_t issue_order = std::int64_t{year} * 100 + month;
    const std::int64_t slot = TakeSlot(issue_order, path);
    Statement file(db_.get(),
                   "INSERT INTO files(path, size, mtime, reason, cd_issue, demos, shareware, updates, "
                   "readers, hotshots, picture, issue_order, slot) "
                   "VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13)");
    file.Bind(1, path).Bind(2, entry.size_bytes).Bind(3, entry.mtime_ns).Bind(4, reading.reason);
    file.Bind(5, disc.cd_issue).Bind(6, std::int64_t{disc.demos}).Bind(7, std::int64_t{disc.shareware});
    file.Bind(8, std::int64_t{disc.updates}).Bind(9, std::int64_t{disc.readers});
    file.Bind(10, std::int64_t{disc.hotshots}).BindBlob(11, disc.picture);
    file.Bind(12, issue_order).Bind(13, slot);
    if (!file.Run()) {
        return;
    }
    const std::int64_t id = sqlite3_last_insert_rowid(db_.get());
    std::vector<const ShelfItem*> items;
    for (const ShelfItem& each : disc.items) {
        items.push_back(&each);
    }
    std::stable_sort(items.begin(), items.end(), [](const ShelfItem* a, const ShelfItem* b) {
        return std::tuple(PageOrder(a->page), a->number) < std::tuple(PageOrder(b->page), b->number);
    });
    Statement item(db_.get(), "INSERT INTO items(rowid, name, full_name, firm, texts, file, page, number, "
                              "list_key) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)");
    std::int64_t rowid = FirstRowid(issue_order, slot);
    for (const ShelfItem* each : items) {
        item.Bind(1, rowid++).Bind(2, each->name).Bind(3, each->full_name).Bind(4, each->firm);
        item.Bind(5, each->texts).Bind(6, id).Bind(7, std::int64_t{each->page});
        item.Bind(8, std::int64_t{each->number}).BindBlob(9, each->list_key);
        item.Run();
    }
}

std::size_t ShelfIndex::Refresh(const fs::path& folder, const ShelfProgress& progress) {
    const std::vector<ShelfEntry> entries = FindShelfEntries(Normalized(folder));
    std::map<std::string, std::pair<std::int64_t, std::int64_t>> known;
    {
        Statement rows(db_.get(),
                       (std::string("SELECT path, size, mtime FROM files WHERE ") + kInRange).c_str());
        rows.Bind(PathRange(folder));
        while (rows.Step()) {
            known.emplace(rows.Text(0), std::pair(rows.Integer(1), rows.Integer(2)));
        }
    }
    // Each disc of an archive that holds several is known by its path below the archive's, with the archive's
    // stamp; an entry read again forgets those of its rows that it no longer holds.
    std::vector<std::pair<const ShelfEntry*, std::vector<std::string>>> to_read;
    for (const ShelfEntry& entry : entries) {
        const std::string path = entry.path.string();
        std::vector<std::string> rows;
        bool unchanged = true;
        const auto take = [&](auto first, auto last) {
            for (auto row = first; row != last; ++row) {
                rows.push_back(row->first);
                unchanged = unchanged && row->second == std::pair(entry.size_bytes, entry.mtime_ns);
            }
            known.erase(first, last);
        };
        const auto exact = known.find(path);
        take(exact, exact == known.end() ? exact : std::next(exact));
        take(known.lower_bound(path + "/"), known.lower_bound(path + "0"));
        if (rows.empty() || !unchanged) {
            to_read.emplace_back(&entry, std::move(rows));
        }
    }
    Execute("BEGIN");
    for (const auto& [path, stamp] : known) {
        Forget(path);
    }
    Execute("COMMIT");
    for (std::size_t i = 0; i < to_read.size(); ++i) {
        const auto& [entry, previous] = to_read[i];
        if (progress && !progress(i, to_read.size(), entry->path)) {
            break;
        }
        std::vector<std::pair<ShelfEntry, ShelfReading>> discs;
        for (const fs::path& disc : ShelfDiscPaths(entry->path)) {
            discs.emplace_back(ShelfEntry{disc, entry->size_bytes, entry->mtime_ns}, ReadShelfDisc(disc));
        }
        // A disc folder's stamp is its catalogue's, which the reading took as it was.
        std::error_code ec;
        const ShelfEntry after = fs::is_directory(entry->path, ec) ? *entry : StampOf(entry->path);
        const bool replaced = after.size_bytes != entry->size_bytes || after.mtime_ns != entry->mtime_ns;
        Execute("BEGIN");
        for (const std::string& row : previous) {
            if (std::none_of(discs.begin(), discs.end(),
                             [&row](const auto& disc) { return disc.first.path == row; })) {
                Forget(row);
            }
        }
        for (auto& [stored, reading] : discs) {
            if (replaced) {
                // Replaced while it was read: what was read may be half of each, and the next opening reads
                // it again.
                reading = {std::nullopt, "The file changed while it was read."};
                stored.size_bytes = -1;
            }
            Store(stored, reading);
        }
        Execute("COMMIT");
    }
    return to_read.size();
}

std::vector<ShelfListing> ShelfIndex::Listings(const fs::path& folder, bool with_pictures) const {
    Statement rows(db_.get(),
                   (std::string("SELECT path, reason, cd_issue, demos, shareware, updates, readers, "
                                "hotshots, ") +
                    (with_pictures ? "picture" : "NULL") + " FROM files WHERE " + kInRange)
                       .c_str());
    rows.Bind(PathRange(folder));
    std::vector<ShelfListing> listings;
    while (rows.Step()) {
        ShelfListing& listing = listings.emplace_back();
        listing.path = rows.Text(0);
        listing.reason = rows.Text(1);
        ShelfDisc& disc = listing.disc;
        disc.cd_issue = rows.Text(2);
        disc.demos = static_cast<int>(rows.Integer(3));
        disc.shareware = static_cast<int>(rows.Integer(4));
        disc.updates = static_cast<int>(rows.Integer(5));
        disc.readers = static_cast<int>(rows.Integer(6));
        disc.hotshots = static_cast<int>(rows.Integer(7));
        disc.picture = rows.Text(8);
        listing.date = ReadIssueDate(disc.cd_issue);
    }
    std::stable_sort(listings.begin(), listings.end(), [](const ShelfListing& a, const ShelfListing& b) {
        return std::tuple(!a.reason.empty(), DateKey(a.date), a.path) <
               std::tuple(!b.reason.empty(), DateKey(b.date), b.path);
    });
    return listings;
}

std::string ShelfIndex::Picture(const std::string& path) const {
    Statement row(db_.get(), "SELECT picture FROM files WHERE path = ?1");
    row.Bind(1, path);
    return row.Step() ? row.Text(0) : std::string();
}

std::vector<ShelfHit> ShelfIndex::Search(const fs::path& folder, std::string_view words,
                                         std::size_t limit) const {
    const std::string query = FullTextQuery(words);
    if (query.empty()) {
        return {};
    }
    const std::lock_guard lock(search_mutex_);
    if (!search_) {
        // The matches in rowid order drive the loop (CROSS JOIN keeps them outside), so that the limit ends
        // the search after its first rows and nothing is sorted.
        search_ = std::make_unique<Statement>(
            db_.get(),
            (std::string("SELECT files.path, files.cd_issue, items.page, items.number, items.name, "
                         "items.list_key FROM items CROSS JOIN files ON files.id = items.file "
                         "WHERE items MATCH ?4 AND ") +
             kInRange + " ORDER BY items.rowid LIMIT ?5")
                .c_str());
    }
    Statement& rows = *search_;
    rows.Bind(PathRange(folder));
    rows.Bind(4, query).Bind(5, static_cast<std::int64_t>(std::min<std::size_t>(limit, INT64_MAX)));
    std::vector<ShelfHit> hits;
    while (rows.Step()) {
        hits.push_back({rows.Text(0), rows.Text(1), static_cast<std::uint8_t>(rows.Integer(2)),
                        static_cast<int>(rows.Integer(3)), rows.Text(4), rows.Text(5)});
    }
    rows.Reset();
    return hits;
}

fs::path ShelfIndex::DefaultFile() {
    return DefaultCacheDir() / "shelf.sqlite";
}

std::string FullTextQuery(std::string_view words) {
    std::string query;
    std::size_t at = 0;
    while (at < words.size()) {
        const std::size_t start = words.find_first_not_of(" \t\r\n", at);
        if (start == std::string_view::npos) {
            break;
        }
        const std::size_t end = std::min(words.find_first_of(" \t\r\n", start), words.size());
        // A quoted string is one term whatever it holds; a quote inside is doubled.
        query += query.empty() ? "\"" : " \"";
        for (const char c : words.substr(start, end - start)) {
            query += c == '"' ? std::string("\"\"") : std::string(1, c);
        }
        query += "\"*";
        at = end;
    }
    return query;
}

} // namespace tavox
