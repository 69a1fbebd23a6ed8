#include "shelf/shelf_disc.h"

#include "base/ascii.h"
#include "base/atomic_file.h"
#include "base/code_page.h"
#include "base/unique_fd.h"
#include "catalogue/catalogue_load.h"
#include "catalogue/catalogue_state.h"
#include "catalogue/picture_names.h"
#include "catalogue/text_helpers.h"
#include "disc/archive_image.h"
#include "disc/archive_reader.h"
#include "disc/disc_files.h"
#include "disc/disc_search.h"
#include "platform/profile_file.h"
#include "shelf/page_item.h"

#include <fcntl.h>
#include <sys/mman.h>

#include <algorithm>
#include <array>
#include <charconv>

namespace tavox {

namespace {

namespace fs = std::filesystem;

// Nothing on a disc is larger than this that the shelf wants: a catalogue, a small picture.
constexpr std::uint64_t kMaxFileBytes = 4 << 20;
constexpr std::string_view kCatalogueName = "tavox/tavox95.ini";

struct PageName {
    std::uint8_t page;
    std::string_view name;
};
constexpr std::array kPageNames = {
    PageName{PageKind::Demos, "Demos"},       PageName{PageKind::Shareware, "Shareware"},
    PageName{PageKind::Updates, "Updates"},   PageName{PageKind::Readers, "Readers"},
    PageName{PageKind::Hotshots, "HotShots"},
};

// A catalogue held in memory, readable as a profile file: an anonymous file, named through /proc.
class MemoryProfile {
public:
    explicit MemoryProfile(std::string_view bytes) : fd_(::memfd_create("catalogue", MFD_CLOEXEC)) {
        if (fd_.Valid() && !WriteAll(fd_.Get(), bytes)) {
            fd_.Reset();
        }
    }
    std::optional<ProfileFile> File() const {
        if (!fd_.Valid()) {
            return std::nullopt;
        }
        return ProfileFile("/proc/self/fd/" + std::to_string(fd_.Get()));
    }

private:
    UniqueFd fd_;
};

// A caption as the menu's labels show it: "&&" is one ampersand, a lone "&" marks the next letter.
std::string ShownCaption(std::string_view text) {
    std::string shown;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size()) {
            ++i;
        }
        shown += text[i];
    }
    return shown;
}

void JoinText(std::string& texts, const std::string& text) {
    if (!text.empty()) {
        texts += texts.empty() ? "" : "\n";
        texts += text;
    }
}

// Every description of a section, whichever edition wrote it: the English one and the three local keys.
std::string Descriptions(const ProfileFile& catalogue, const std::string& section) {
    std::string texts;
    for (const char* key : {"Describe0", "Describe1", "Describe2", "Describe3"}) {
        JoinText(texts, catalogue.ReadString(section, key, ""));
    }
    return texts;
}

} // namespace

std::optional<IssueDate> ReadIssueDate(std::string_view cd_issue) {
    if (cd_issue.size() != 4 ||
        !std::all_of(cd_issue.begin(), cd_issue.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    const int month = (cd_issue[0] - '0') * 10 + (cd_issue[1] - '0');
    const int year = (cd_issue[2] - '0') * 10 + (cd_issue[3] - '0');
    if (month < 1 || month > 12) {
        return std::nullopt;
    }
    return IssueDate{year < 95 ? 2000 + year : 1900 + year, month};
}

std::string YearMonthText(const IssueDate& date) {
    return std::to_string(date.year) + (date.month < 10 ? "-0" : "-") + std::to_string(date.month);
}

std::string_view ShelfPageName(std::uint8_t page) {
    for (const PageName& entry : kPageNames) {
        if (entry.page == page) {
            return entry.name;
        }
    }
    return {};
}

std::optional<std::uint8_t> ShelfPageNamed(std::string_view name) {
    for (const PageName& entry : kPageNames) {
        if (LowerCaseAscii(std::string(entry.name)) == LowerCaseAscii(name)) {
            return entry.page;
        }
    }
    return std::nullopt;
}

std::optional<PageItem> ReadPageItem(std::string_view text) {
    const std::size_t colon = text.find(':');
    const auto page = ShelfPageNamed(text.substr(0, colon));
    if (!page || colon == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view digits = text.substr(colon + 1);
    int number = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (error != std::errc{} || end != digits.data() + digits.size() || number < 1) {
        return std::nullopt;
    }
    return PageItem{*page, number};
}

std::optional<CatalogueReading> ReadShelfCatalogue(std::string_view catalogue_bytes) {
    const MemoryProfile memory(catalogue_bytes);
    const std::optional<ProfileFile> catalogue = memory.File();
    if (!catalogue) {
        return std::nullopt;
    }
    CatalogueState state;
    LoadResult loaded;
    LoadCatalogueRecords(*catalogue, "D:", state, loaded);
    const CodePage code_page = EditionCodePage(state.DescribeVariant);
    const auto utf8 = [code_page](std::string_view text) { return ToUtf8(text, code_page); };

    CatalogueReading reading;
    ShelfDisc& disc = reading.disc;
    disc.cd_issue = state.CdIssue;
    disc.demos = state.DemoCount;
    disc.shareware = state.ShareCount;
    disc.updates = state.UpdateCount;
    disc.readers = state.ReaderCount;
    disc.hotshots = state.ShotCount;
    const auto add = [&](std::uint8_t page, int number, const std::string& list_name) -> ShelfItem& {
        ShelfItem& item = disc.items.emplace_back();
        item.page = page;
        item.number = number;
        item.name = utf8(ShownCaption(list_name));
        item.list_key = list_name;
        return item;
    };
    for (int i = 1; i <= state.DemoCount; ++i) {
        const TDemos& demo = state.Demos[i];
        ShelfItem& item = add(PageKind::Demos, i, demo.ListName);
        item.full_name = utf8(ShownCaption(demo.FullName.empty() ? demo.Name : demo.FullName));
        item.firm = utf8(ShownCaption(demo.Firm));
        item.texts = utf8(Descriptions(*catalogue, "Demo" + std::to_string(i)));
    }
    for (int i = 1; i <= state.ShareCount; ++i) {
        ShelfItem& item = add(PageKind::Shareware, i, state.Shares[i].ListName);
        item.texts = utf8(Descriptions(*catalogue, "Share" + std::to_string(i)));
    }
    for (int i = 1; i <= state.UpdateCount; ++i) {
        const TUpdate& update = state.Updates[i];
        ShelfItem& item = add(PageKind::Updates, i, update.Name);
        item.full_name = utf8(update.VersionText);
    }
    for (int i = 1; i <= state.ReaderCount; ++i) {
        const TDemos& reader = state.Readers[i];
        ShelfItem& item = add(PageKind::Readers, i, reader.ListName);
        item.firm = utf8(reader.Firm);
        item.texts = utf8(ShownCaption(reader.Describe));
    }
    for (int i = 1; i <= state.ShotCount; ++i) {
        const TShot& shot = state.Shots[i];
        ShelfItem& item = add(PageKind::Hotshots, i, shot.Name);
        item.firm = utf8(shot.Firm);
        item.texts = utf8(Descriptions(*catalogue, "Shot" + std::to_string(i)));
    }
    for (int i = 1; i <= state.DemoCount; ++i) {
        const std::string& base = state.Demos[i].Picture;
        if (base.empty() || HasNoPictures(base)) {
            continue;
        }
        // The bitmap the menu shows first on a true-colour screen, else the series' first JPEG.
        for (std::string path :
             {FirstPictureBitmapPath("TAVOX\\", base, 24), PictureJpegPath("TAVOX\\", base, 1)}) {
            std::replace(path.begin(), path.end(), '\\', '/');
            reading.picture_files.push_back(std::move(path));
        }
        break;
    }
    return reading;
}

namespace {

// Reads chosen files of a disc without unpacking it (see ReadDiscFiles); may be called more than once.
using ReadFiles =
    std::function<std::optional<std::string>(const WantDiscFile& want, const TakeDiscFile& take)>;

ShelfReading ReadFromDiscFiles(const ReadFiles& read_files) {
    std::optional<std::string> catalogue;
    const auto want_catalogue = [](std::string_view name, std::uint64_t size) {
        return size <= kMaxFileBytes && LowerCaseAscii(name) == kCatalogueName;
    };
    if (auto error = read_files(want_catalogue, [&](std::string_view, std::string content) {
            catalogue = std::move(content);
            return false;
        })) {
        return {std::nullopt, *error};
    }
    if (!catalogue) {
        return {std::nullopt, "The disc holds no TAVOX\\TAVOX95.INI: it is no TAVOX CD."};
    }
    auto reading = ReadShelfCatalogue(*catalogue);
    if (!reading) {
        return {std::nullopt, "The disc's catalogue cannot be read."};
    }
    std::vector<std::string> wanted;
    for (const std::string& file : reading->picture_files) {
        wanted.push_back(LowerCaseAscii(file));
    }
    std::vector<std::string> found(wanted.size());
    if (!wanted.empty()) {
        const auto want_picture = [&wanted](std::string_view name, std::uint64_t size) {
            return size <= kMaxFileBytes &&
                   std::find(wanted.begin(), wanted.end(), LowerCaseAscii(name)) != wanted.end();
        };
        // A picture that cannot be read leaves the disc without one; the disc itself is fine.
        static_cast<void>(read_files(want_picture, [&](std::string_view name, std::string content) {
            const auto at = std::find(wanted.begin(), wanted.end(), LowerCaseAscii(name));
            found[static_cast<std::size_t>(at - wanted.begin())] = std::move(content);
            return found.front().empty();
        }));
    }
    for (std::string& picture : found) {
        if (!picture.empty()) {
            reading->disc.picture = std::move(picture);
            break;
        }
    }
    return {std::move(reading->disc), {}};
}

std::optional<std::string> ReadSmallFile(const fs::path& path) {
    std::error_code ec;
    const auto size = fs::file_size(path, ec);
    if (ec || size > kMaxFileBytes) {
        return std::nullopt;
    }
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.Valid()) {
        return std::nullopt;
    }
    std::string content;
    if (!ReadAll(fd.Get(), content, static_cast<std::size_t>(size)) || content.size() > kMaxFileBytes) {
        return std::nullopt;
    }
    return content;
}

// A file of a disc's directory by its path inside the disc, each part in any case.
std::optional<fs::path> FileOfDiscDir(const fs::path& dir, std::string_view inside) {
    fs::path at = dir;
    while (!inside.empty()) {
        const std::size_t slash = inside.find('/');
        auto child = ChildNamed(at, LowerCaseAscii(inside.substr(0, slash)));
        if (!child) {
            return std::nullopt;
        }
        at = std::move(*child);
        inside = slash == std::string_view::npos ? std::string_view() : inside.substr(slash + 1);
    }
    return at;
}

ShelfReading ReadFromDirectory(const fs::path& dir) {
    const auto catalogue_path = MenuCatalogueOf(dir);
    const auto catalogue = catalogue_path ? ReadSmallFile(*catalogue_path) : std::nullopt;
    if (!catalogue) {
        return {std::nullopt, "The folder holds no readable TAVOX\\TAVOX95.INI: it is no TAVOX CD."};
    }
    auto reading = ReadShelfCatalogue(*catalogue);
    if (!reading) {
        return {std::nullopt, "The disc's catalogue cannot be read."};
    }
    for (const std::string& file : reading->picture_files) {
        const auto path = FileOfDiscDir(dir, file);
        if (auto picture = path ? ReadSmallFile(*path) : std::nullopt) {
            reading->disc.picture = std::move(*picture);
            break;
        }
    }
    return {std::move(reading->disc), {}};
}

} // namespace

ShelfReading ReadShelfDisc(const fs::path& path) {
    std::error_code ec;
    if (fs::is_directory(path, ec)) {
        return ReadFromDirectory(path);
    }
    std::optional<ArchiveDiscPath> inside = SplitArchiveDiscPath(path);
    if (!inside && ArchiveKindOf(path)) {
        inside = ArchiveDiscPath{path, {}};
    }
    if (inside) {
        // Each read streams through the archive's member again; a scratch copy, where one is needed, goes
        // where the discs are unpacked.
        const fs::path scratch = DefaultCacheDir() / "discs";
        return ReadFromDiscFiles([&](const WantDiscFile& want, const TakeDiscFile& take) {
            return ReadArchiveDiscFiles(inside->archive, inside->name, scratch, want, take);
        });
    }
    const Result<DiscImage> opened = OpenDiscImage(path);
    if (!opened) {
        return {std::nullopt, opened.Error().text};
    }
    return ReadFromDiscFiles([&](const WantDiscFile& want, const TakeDiscFile& take) {
        return ReadDiscFiles(*opened, want, take);
    });
}

std::vector<fs::path> ShelfDiscPaths(const fs::path& path) {
    std::error_code ec;
    if (fs::is_regular_file(path, ec) && ArchiveKindOf(path)) {
        return ArchiveDiscPaths(path);
    }
    return {path};
}

} // namespace tavox
