#include "catalogue_writer.h"

#include "item_files.h"
#include "sample_tables.h"

#include <string_view>

namespace sample_cd {

namespace {

// A profile file written section by section; keys without a value are left out, as the catalogues did.
class IniText {
public:
    void Section(std::string_view name, int number = 0) {
        if (!text_.empty()) {
            text_ += '\n';
        }
        text_ += "[" + std::string(name) + (number > 0 ? std::to_string(number) : std::string()) + "]\n";
    }
    void Key(std::string_view key, std::string_view value) {
        if (!value.empty()) {
            text_ += std::string(key) + "=" + std::string(value) + "\n";
        }
    }
    void Number(std::string_view key, int value) { Key(key, std::to_string(value)); }

    const std::string& Text() const { return text_; }

private:
    std::string text_;
};

// "NAME,SIZE,DIR": the marker file, its exact size, and where the game normally is.
std::string SearchFile(const SampleDemo& demo) {
    return std::string(demo.search_marker) + "," +
           std::to_string(DataFileContent(demo.search_marker).size()) + "," +
           std::string(demo.stand_in.target);
}

std::string UpdateValue(const SampleUpdate& update) {
    const std::string separator = update.semicolons ? ";" : ",";
    std::string value = std::string(update.name) + separator + std::string(update.version) + separator +
                        std::string(update.setup_file) + separator + std::string(update.readme_file);
    if (!update.semicolons) {
        value += separator + std::to_string(update.kind);
    }
    return value;
}

void WriteDemo(IniText& ini, int number, const SampleDemo& demo) {
    ini.Section("Demo", number);
    ini.Key("Name", demo.name);
    ini.Key("FullName", demo.full_name);
    ini.Key("Firm", demo.firm);
    ini.Key("Date", demo.date);
    ini.Key("Picture", demo.picture);
    ini.Key("Describe0", demo.describe0);
    ini.Key("Describe1", demo.describe1);
    ini.Key("Techinfo", demo.techinfo);
    ini.Key("InstallDir", demo.install_dir);
    ini.Key("InstallName", demo.install_name);
    ini.Key("SetupName", demo.setup_name);
    ini.Key("Gamename", demo.gamename);
    ini.Key("Readmename", demo.readmename);
    ini.Key("RegUninstall", demo.reg_uninstall);
    ini.Key("UnInstallName", demo.uninstall_name);
    ini.Key("Uninstall", demo.uninstall);
    ini.Number("InstallType", demo.install_type);
    ini.Number("DirDetect", demo.dir_detect);
    if (demo.flags != 0) {
        ini.Number("Flags", demo.flags);
    }
    ini.Key("FilesInArchive", demo.files_in_archive);
    ini.Key("ForcedDir", demo.forced_dir);
    ini.Key("TestName", demo.test_name);
    ini.Key("IniFile", demo.ini_file);
    if (!demo.search_marker.empty()) {
        ini.Key("SearchFile", SearchFile(demo));
    }
}

void WriteReader(IniText& ini, int number, const SampleReader& reader) {
    ini.Section("Reader", number);
    ini.Key("Name", reader.name);
    ini.Key("Firm", reader.firm);
    ini.Key("Describe1", reader.describe1);
    ini.Key("InstallDir", reader.install_dir);
    ini.Key("InstallName", reader.install_name);
    ini.Key("SetupName", reader.setup_name);
    ini.Key("Gamename", reader.gamename);
    ini.Key("Readmename", reader.readmename);
    ini.Key("RegUninstall", reader.reg_uninstall);
    ini.Number("InstallType", reader.install_type);
    ini.Number("DirDetect", reader.dir_detect);
}

int Count(std::size_t size) {
    return static_cast<int>(size);
}

} // namespace

std::string CatalogueText() {
    IniText ini;
    ini.Section("Main");
    ini.Number("Demos", Count(SampleDemos().size()));
    ini.Number("Shareware", Count(SampleShares().size()));
    ini.Number("Updates", Count(SampleUpdates().size()));
    ini.Number("Shots", Count(SampleShots().size()));
    ini.Number("Movies", kMovies);
    ini.Number("Readers", Count(SampleReaders().size()));
    ini.Key("CD", kIssue);
    ini.Number("Version", kEdition);
    ini.Number("Vyrniste", kDiskmagIssue);

    ini.Section("Updates");
    int number = 0;
    for (const SampleUpdate& update : SampleUpdates()) {
        ini.Key("Update" + std::to_string(++number), UpdateValue(update));
    }
    number = 0;
    for (const SampleShare& share : SampleShares()) {
        ini.Section("Share", ++number);
        ini.Key("Name", share.name);
        ini.Key("InstallName", share.install_name);
        ini.Key("Describe0", share.describe0);
        ini.Key("Describe1", share.describe1);
    }
    number = 0;
    for (const SampleShot& shot : SampleShots()) {
        ini.Section("Shot", ++number);
        ini.Key("Name", shot.name);
        ini.Key("Firm", shot.firm);
        ini.Key("Date", shot.date);
        ini.Key("Picture", shot.picture);
        ini.Key("Describe0", shot.describe0);
        ini.Key("Describe1", shot.describe1);
    }
    number = 0;
    for (const SampleReader& reader : SampleReaders()) {
        WriteReader(ini, ++number, reader);
    }
    number = 0;
    for (const SampleDemo& demo : SampleDemos()) {
        WriteDemo(ini, ++number, demo);
    }
    return ini.Text();
}

} // namespace sample_cd
