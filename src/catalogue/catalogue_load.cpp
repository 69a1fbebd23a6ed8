#include "catalogue/catalogue_load.h"

#include "base/ascii.h"
#include "catalogue/detection.h"
#include "catalogue/text_helpers.h"
#include "platform/machine.h"

#include <algorithm>
#include <charconv>

namespace tavox {

namespace {

constexpr std::string_view kMain = "Main";
// Windows' error numbers for a directory that cannot be entered.
constexpr int kErrorPathNotFound = 3;
constexpr int kErrorNotReady = 21;

// Counts beyond a capacity load the capacity; negative counts load nothing.
std::int32_t Bounded(int count, int capacity) {
    return std::clamp(count, 0, capacity);
}

// The catalogue's integers as the runtime's string-to-integer conversion reads them: optional leading blanks,
// a sign and decimal digits, nothing else.
std::optional<std::int32_t> StrictInteger(std::string_view text) {
    while (!text.empty() && text.front() == ' ') {
        text.remove_prefix(1);
    }
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    std::int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size() || text.empty()) {
        return std::nullopt;
    }
    return value;
}

// The local description key that the edition's Version selects; none for Version 4 and 5.
std::optional<std::string> LocalDescribeKey(std::int32_t variant) {
    if (variant >= 1 && variant <= 3) {
        return "Describe" + std::to_string(variant);
    }
    return std::nullopt;
}

class Reader {
public:
    Reader(const ProfileFile& catalogue, std::string section)
        : catalogue_(catalogue), section_(std::move(section)) {}
    std::string Text(std::string_view key, std::string_view default_value = "") const {
        return catalogue_.ReadString(section_, key, default_value);
    }
    std::string Escaped(std::string_view key) const { return EscapeAmpersands(Text(key)); }
    std::int32_t Integer(std::string_view key) const { return catalogue_.ReadInteger(section_, key, 0); }

private:
    const ProfileFile& catalogue_;
    std::string section_;
};

std::string Section(std::string_view kind, int index) {
    return std::string(kind) + std::to_string(index);
}

// Fills an update from "name,version,setup,readme,kind". A kind that is no number is reported, and the
// update then offers no Install, so that nothing is started the wrong way.
std::optional<std::string> LoadUpdate(std::string_view value, TUpdate& update) {
    const std::vector<std::string> fields = SplitList(value);
    update = TUpdate{};
    std::string* const texts[] = {&update.Name, &update.VersionText, &update.SetupFile, &update.ReadmeFile};
    for (std::size_t i = 0; i < fields.size() && i < std::size(texts); ++i) {
        *texts[i] = fields[i];
    }
    if (fields.size() < 5) {
        return std::nullopt;
    }
    if (const auto kind = StrictInteger(fields[4])) {
        update.Kind = static_cast<std::uint8_t>(*kind);
        return std::nullopt;
    }
    update.SetupFile.clear();
    return "'" + fields[4] + "' is not a valid integer value";
}

void LoadDemo(const Reader& in, const std::optional<std::string>& describe_key, std::string_view cd_drive,
              TDemos& demo) {
    demo = TDemos{};
    demo.Name = in.Escaped("Name");
    demo.ListName = demo.Name.size() > 15 ? demo.Name : UpperCaseAscii(demo.Name);
    demo.FullName = in.Escaped("FullName");
    demo.Firm = in.Escaped("Firm");
    if (describe_key) {
        demo.Describe = in.Escaped(*describe_key);
    }
    demo.Describe0 = in.Escaped("Describe0");
    demo.Techinfo = in.Escaped("Techinfo");
    demo.InstallDir = std::string(cd_drive) + "\\DEMOS\\" + in.Text("InstallDir");
    demo.SetupName = in.Text("SetupName");
    demo.Gamename = in.Text("Gamename");
    demo.Readmename = in.Text("Readmename");
    demo.Date = in.Text("Date");
    demo.Picture = in.Text("Picture");
    demo.InstallName = in.Text("InstallName");
    demo.InstallType = in.Integer("InstallType");
    demo.RegUninstall = in.Text("RegUninstall");
    demo.DirDetect = in.Integer("DirDetect");
    demo.UnInstallName = in.Text("UnInstallName");
    demo.Flags = in.Integer("Flags");
    demo.Uninstall = in.Text("Uninstall");
    // One parameter serves both the recipe and the rule; the rule's key is read last and wins.
    switch (demo.InstallType) {
    case InstallType::ArchiveToChosenDir:
        demo.InstallParam = in.Text("FilesInArchive", "0");
        break;
    case InstallType::ArchiveToForcedDir:
        demo.InstallParam = in.Text("ForcedDir");
        break;
    case InstallType::SetupWatched:
    case InstallType::RunsFromCdWhenFilePresent:
        demo.InstallParam = in.Text("TestName");
        break;
    default:
        break;
    }
    switch (demo.DirDetect) {
    case DirDetect::ShortCut:
        demo.InstallParam = in.Text("ShortCut");
        break;
    case DirDetect::IniFile:
    case DirDetect::FoundDirIsEnough:
        demo.InstallParam = in.Text("IniFile");
        break;
    case DirDetect::DesktopShortCut:
        demo.InstallParam = in.Text("DesktopShortCut");
        break;
    case DirDetect::SearchFile:
        demo.InstallParam = in.Text("SearchFile");
        break;
    default:
        break;
    }
    demo.PictureCached = 0;
}

void LoadReader(const Reader& in, std::string_view cd_drive, TDemos& reader) {
    reader = TDemos{};
    reader.NotInstalled = 1;
    reader.ListName = in.Text("Name");
    reader.Firm = in.Text("Firm");
    reader.Describe = in.Escaped("Describe1"); // readers' items carry one local text, whatever the edition
    reader.InstallDir = std::string(cd_drive) + "\\Readers\\" + in.Text("InstallDir");
    reader.SetupName = in.Text("SetupName");
    reader.Gamename = in.Text("Gamename");
    reader.DirDetect = in.Integer("DirDetect");
    reader.Readmename = in.Text("Readmename");
    reader.InstallName = in.Text("InstallName");
    reader.InstallType = in.Integer("InstallType");
    reader.RegUninstall = in.Text("RegUninstall");
}

} // namespace

CodePage EditionCodePage(int variant) {
    return variant == 2 ? CodePage::Windows1254 : CodePage::Windows1250;
}

std::string IssueLabel(std::string_view cd_issue) {
    if (cd_issue.empty()) {
        return "-";
    }
    const auto part = [cd_issue](std::size_t at, std::size_t length) {
        return at < cd_issue.size() ? std::string(cd_issue.substr(at, length)) : std::string();
    };
    if (cd_issue.front() == '0') {
        return part(1, 1) + "-" + part(2, 2);
    }
    return part(0, 2) + "-" + part(2, 2);
}

void LoadCatalogueRecords(const ProfileFile& catalogue, std::string_view cd_drive, CatalogueState& state,
                          LoadResult& result) {
    // Records past their counts must read empty, whatever an earlier load left.
    state.Demos.Clear();
    state.Updates.Clear();
    state.Shares.Clear();
    state.Shots.Clear();
    state.Readers.Clear();
    const Reader main(catalogue, std::string(kMain));

    state.DemoCount = Bounded(main.Integer("Demos"), DemosArray::kCapacity);
    state.ShareCount = Bounded(main.Integer("Shareware"), SharesArray::kCapacity);
    state.UpdateCount = Bounded(main.Integer("Updates"), UpdatesArray::kCapacity);
    state.ShotCount = Bounded(main.Integer("Shots"), ShotsArray::kCapacity);
    state.MovieCount = std::max(main.Integer("Movies"), 0);
    state.ReaderCount = Bounded(main.Integer("Readers"), ReadersArray::kCapacity);
    state.CdIssue = main.Text("CD");
    result.IssueLabel = IssueLabel(state.CdIssue);
    result.Title = "TAVOX CD " + result.IssueLabel;

    const std::int32_t version = catalogue.ReadInteger(kMain, "Version", 1);
    state.DescribeVariant = (version >= 1 && version <= 5) ? version : 1;
    const std::optional<std::string> describe_key = LocalDescribeKey(state.DescribeVariant);

    const Reader updates(catalogue, "Updates");
    for (int i = 1; i <= state.UpdateCount; ++i) {
        if (auto error = LoadUpdate(updates.Text("Update" + std::to_string(i)), state.Updates[i])) {
            if (result.message.empty()) {
                result.outcome = LoadOutcome::LoadedWithError;
                result.message = std::move(*error);
            }
        }
    }
    for (int i = 1; i <= state.ShareCount; ++i) {
        const Reader in(catalogue, Section("Share", i));
        TDemos& share = state.Shares[i];
        share = TDemos{};
        share.ListName = in.Text("Name");
        share.InstallName = in.Text("InstallName");
        if (describe_key) {
            share.Describe = in.Escaped(*describe_key);
        }
        share.Describe0 = in.Escaped("Describe0");
    }
    for (int i = 1; i <= state.ShotCount; ++i) {
        const Reader in(catalogue, Section("Shot", i));
        TShot& shot = state.Shots[i];
        shot = TShot{};
        shot.Name = in.Text("Name");
        shot.Firm = in.Text("Firm");
        shot.Date = in.Text("Date");
        shot.Picture = in.Text("Picture");
        if (describe_key) {
            shot.Describe = in.Escaped(*describe_key);
        }
        shot.Describe0 = in.Escaped("Describe0");
    }
    for (int i = 1; i <= state.ReaderCount; ++i) {
        LoadReader(Reader(catalogue, Section("Reader", i)), cd_drive, state.Readers[i]);
    }
    for (int i = 1; i <= state.DemoCount; ++i) {
        LoadDemo(Reader(catalogue, Section("Demo", i)), describe_key, cd_drive, state.Demos[i]);
    }
}

LoadResult LoadCatalogue(DetectionContext& detection, CatalogueState& state) {
    const FileSystem& files = detection.machine.Files();
    const std::string_view cd_drive = detection.CdDrive;
    LoadResult result;
    result.CdMenuDir = std::string(cd_drive) + "\\TAVOX\\";
    if (!files.DirectoryExists(result.CdMenuDir)) {
        const bool drive_ready = files.DirectoryExists(std::string(cd_drive) + "\\");
        result.outcome = LoadOutcome::CdDirUnreachable;
        result.message = "I/O error " + std::to_string(drive_ready ? kErrorPathNotFound : kErrorNotReady);
        return result;
    }
    detection.CurrentDir = result.CdMenuDir;
    const std::string catalogue_path = result.CdMenuDir + "TAVOX95.INI";
    const auto host = files.HostPath(catalogue_path);
    if (!host || !files.FileExists(catalogue_path)) {
        result.outcome = LoadOutcome::CatalogueMissing;
        result.message = "Where is my TAVOX95.INI?????";
        return result;
    }
    result.Catalogue.emplace(*host);
    LoadCatalogueRecords(*result.Catalogue, cd_drive, state, result);
    detection.CdIssue = state.CdIssue;
    for (int i = 1; i <= state.ReaderCount; ++i) {
        CheckDemo(detection, state.Readers[i]);
    }
    for (int i = 1; i <= state.DemoCount; ++i) {
        CheckDemo(detection, state.Demos[i]);
    }
    return result;
}

} // namespace tavox
