// The sample CD as the menu sees it: loaded through the real catalogue load, and its stand-in installers run
// on a machine so that the detection finds what they installed and no longer finds what they removed.

#include "base/ascii.h"
#include "base/code_page.h"
#include "catalogue/catalogue_load.h"
#include "catalogue/detection.h"
#include "catalogue/records.h"
#include "catalogue/text_helpers.h"
#include "installer/uninstall_script.h"
#include "launch/engines.h"
#include "launch/process.h"
#include "launch/program_kind.h"
#include "platform/machine.h"
#include "support/temp_dir.h"
#include "unrar/unrar.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <spawn.h>
#include <string>
#include <string_view>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace tavox {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kUninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

std::optional<fs::path> SampleCdDir() {
#ifdef TAVOX_SAMPLE_CD
    return fs::path(TAVOX_SAMPLE_CD);
#else
    const char* dir = std::getenv("TAVOX_SAMPLE_CD");
    return dir ? std::optional<fs::path>(dir) : std::nullopt;
#endif
}

struct Outcome {
    int exit_code = -1;
    std::string err;
};

// Runs a host program with the environment of the tests, WINEPREFIX replaced (or removed when empty).
Outcome RunHost(const fs::path& program, const std::vector<std::string>& arguments, const std::string& prefix,
                const fs::path& err_file) {
    std::vector<std::string> args{program.string()};
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::vector<std::string> variables;
    for (char** variable = environ; *variable != nullptr; ++variable) {
        if (!std::string_view(*variable).starts_with("WINEPREFIX=")) {
            variables.emplace_back(*variable);
        }
    }
    if (!prefix.empty()) {
        variables.push_back("WINEPREFIX=" + prefix);
    }
    const auto pointers = [](std::vector<std::string>& texts) {
        std::vector<char*> result;
        for (std::string& text : texts) {
            result.push_back(text.data());
        }
        result.push_back(nullptr);
        return result;
    };
    std::vector<char*> argv = pointers(args);
    std::vector<char*> envp = pointers(variables);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, err_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    Outcome outcome;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) == 0) {
        int status = 0;
        if (waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
            outcome.exit_code = WEXITSTATUS(status);
        }
    }
    posix_spawn_file_actions_destroy(&actions);
    outcome.err = test::ReadFile(err_file);
    return outcome;
}

bool IsHostProgram(const fs::path& path) {
    std::error_code ec;
    const bool executable = (fs::status(path, ec).permissions() & fs::perms::owner_exec) != fs::perms::none;
    return executable && test::ReadFile(path).starts_with("#!");
}

bool Installed(const TDemos& item) {
    return item.NotInstalled == 0 && item.Runnable == 1 && item.Removable == 1;
}

bool NotInstalled(const TDemos& item) {
    return item.NotInstalled == 1 && item.Runnable == 0 && item.Removable == 0;
}

class SampleCd : public ::testing::Test {
protected:
    void SetUp() override {
        const auto cd = SampleCdDir();
        if (!cd || !fs::exists(*cd / "TAVOX" / "TAVOX95.INI")) {
            GTEST_SKIP() << "no sample CD: build the target sample_cd or set TAVOX_SAMPLE_CD";
        }
        // A blank in its path; the layout names the Windows directory in lower case, as Wine does.
        root_ = dir_ / "wine prefix";
        ASSERT_TRUE(CreateMachineLayout(root_));
        machine_ = std::make_unique<Machine>(root_);
        ASSERT_TRUE(machine_->MapDrive('D', *cd, DriveType::CdRom));
        settings_ = std::make_unique<ProfileFile>(Host(machine_->WindowsDir() + "\\tavox.ini"));
        detection_ = std::make_unique<DetectionContext>(
            DetectionContext{*machine_, *settings_, "", "D:", machine_->WindowsDir() + "\\", ""});
        load_ = LoadCatalogue(*detection_, state_);
        ASSERT_EQ(load_.outcome, LoadOutcome::Loaded) << load_.message;
    }

    fs::path Host(std::string_view windows_path) const {
        return machine_->Files().HostPath(windows_path).value_or(fs::path());
    }
    bool FileExists(std::string_view windows_path) const {
        return machine_->Files().FileExists(windows_path);
    }

    // The CD's DOS programs run in DOSBox, without a display, as the menu starts them; DOSBox does not
    // pass their exit code on.
    Outcome Run(std::string_view windows_program, const std::vector<std::string>& arguments = {}) const {
        if (IsDosProgram(windows_program)) {
            std::string command(windows_program);
            for (const std::string& argument : arguments) {
                command += " " + argument;
            }
            PlannedLaunch planned = PlanLaunch(*machine_, {}, command, "");
            if (!planned.plan) {
                return {-1, DescribeLaunchError(planned.error)};
            }
            planned.plan->environment.emplace_back("SDL_VIDEODRIVER", "dummy");
            planned.plan->environment.emplace_back("SDL_AUDIODRIVER", "dummy");
            Result<ChildProcess> child = Spawn(*planned.plan);
            return {child ? child->Wait() : -1, child ? std::string() : child.Error().text};
        }
        return RunHost(Host(windows_program), arguments, root_.string(), dir_ / "stderr.txt");
    }
    bool IsDosProgram(std::string_view windows_program) const {
        return ClassifyProgramFile(Host(windows_program), windows_program) == ProgramKind::Dos;
    }
    Outcome RunWithPrefix(std::string_view windows_program, const std::string& prefix) const {
        return RunHost(Host(windows_program), {}, prefix, dir_ / "stderr.txt");
    }

    // Runs a Windows command line of the form "PROGRAM.EXE arguments" as the uninstall flow would.
    Outcome RunCommand(std::string_view command) const {
        const std::size_t end = UpperCaseAscii(command).find(".EXE");
        if (end == std::string_view::npos) {
            return {};
        }
        std::string_view rest = command.substr(end + 4);
        while (rest.starts_with(' ')) {
            rest.remove_prefix(1);
        }
        return Run(command.substr(0, end + 4),
                   rest.empty() ? std::vector<std::string>{} : std::vector<std::string>{std::string(rest)});
    }

    // The command the uninstall flow starts for an item with an uninstaller of its own.
    std::string UninstallCommand(const TDemos& item) const {
        if (item.InstallType == InstallType::SierraSetup) {
            return item.InstalledDir + "\\SETUP.EXE /U";
        }
        if (item.UnInstallName.starts_with("?I")) {
            return item.InstallDir + "\\" + item.UnInstallName.substr(2);
        }
        if (item.UnInstallName.starts_with("?W")) {
            return detection_->WindowsDir + item.UnInstallName.substr(2);
        }
        return item.UnInstallName;
    }

    TDemos Checked(TDemos item) const {
        CheckDemo(*detection_, item);
        return item;
    }

    bool UninstallKeyExists(const TDemos& item) const {
        return machine_->Reg().KeyExists(RegistryRoot::LocalMachine,
                                         std::string(kUninstallKey) + item.RegUninstall);
    }

    // Demos and readers' items as loaded.
    std::vector<TDemos> Items() const {
        std::vector<TDemos> items;
        for (int i = 1; i <= state_.DemoCount; ++i) {
            items.push_back(state_.Demos[i]);
        }
        for (int i = 1; i <= state_.ReaderCount; ++i) {
            items.push_back(state_.Readers[i]);
        }
        return items;
    }

    // What the install flow adds for a demo that its installer leaves to be searched for: the SearchFile's
    // directory, when the game is there.
    void RecordSearchedDir(const TDemos& item) {
        const std::vector<std::string> fields = SplitList(item.InstallParam);
        ASSERT_EQ(fields.size(), 3u);
        const std::string dir = fields[2];
        EXPECT_EQ(machine_->Files().FileSize(dir + "\\" + fields[0]), std::stoull(fields[1]))
            << "the marker file must have the size the catalogue names";
        EXPECT_TRUE(FileExists(dir + "\\" + ProgramPart(item.Gamename)));
        EXPECT_TRUE(settings_->WriteString("CD" + state_.CdIssue, item.ListName, dir));
    }

    test::TempDir dir_;
    fs::path root_;
    std::unique_ptr<Machine> machine_;
    std::unique_ptr<ProfileFile> settings_;
    std::unique_ptr<DetectionContext> detection_;
    CatalogueState state_;
    LoadResult load_;
};

// The names in an archive, as the unpack dialog lists them; empty when it cannot be opened.
std::vector<std::string> ArchiveNames(const fs::path& archive) {
    unrar::RAROpenArchiveData open;
    const std::string name = archive.string();
    open.ArcName = name.c_str();
    std::vector<std::string> names;
    const unrar::ArchiveHandle handle = unrar::RAROpenArchive(&open);
    if (handle == nullptr) {
        return names;
    }
    unrar::RARHeaderData header;
    while (unrar::RARReadHeader(handle, &header) == 0) {
        names.emplace_back(header.FileName);
        if (unrar::RARProcessFile(handle, unrar::RAR_SKIP, nullptr, nullptr) != 0) {
            break;
        }
    }
    unrar::RARCloseArchive(handle);
    return names;
}

TEST_F(SampleCd, ArchiveItemsHoldTheirProgramsAndTheCountTheCatalogueGives) {
    int archives = 0;
    for (const TDemos& item : Items()) {
        if (item.InstallType != InstallType::ArchiveToChosenDir &&
            item.InstallType != InstallType::ArchiveToForcedDir) {
            continue;
        }
        ++archives;
        const std::vector<std::string> names = ArchiveNames(Host(item.InstallDir + "\\" + item.InstallName));
        const std::set<std::string> present(names.begin(), names.end());
        EXPECT_TRUE(present.contains(ProgramPart(item.Gamename))) << item.ListName;
        if (!item.SetupName.empty()) {
            EXPECT_TRUE(present.contains(item.SetupName)) << item.ListName;
        }
        if (item.InstallType == InstallType::ArchiveToChosenDir && item.InstallParam != "0" &&
            !item.InstallParam.empty()) {
            EXPECT_EQ(std::to_string(names.size()), item.InstallParam) << item.ListName;
        }
    }
    EXPECT_GE(archives, 3);
    for (int i = 1; i <= state_.UpdateCount; ++i) {
        const TUpdate& update = state_.Updates[i];
        if (update.Kind == UpdateKind::Unpacked) {
            EXPECT_FALSE(ArchiveNames(Host("D:\\Updates\\" + update.SetupFile)).empty()) << update.Name;
        }
    }
}

TEST_F(SampleCd, LoadsAsTheDecemberIssueOfTheCzechEdition) {
    EXPECT_EQ(load_.Title, "TAVOX CD 12-98");
    EXPECT_EQ(state_.CdIssue, "1298");
    EXPECT_EQ(state_.DescribeVariant, 1);
    EXPECT_EQ(state_.MovieCount, 1);
    EXPECT_EQ(load_.Catalogue->ReadInteger("Main", "Vyrniste", 0), 12);
}

TEST_F(SampleCd, EveryCountedSectionIsThereAndNoMore) {
    const ProfileFile& catalogue = *load_.Catalogue;
    struct Kind {
        std::string_view section;
        int count;
    };
    for (const Kind& kind : {Kind{"Demo", state_.DemoCount}, Kind{"Share", state_.ShareCount},
                             Kind{"Shot", state_.ShotCount}, Kind{"Reader", state_.ReaderCount}}) {
        EXPECT_GT(kind.count, 0) << kind.section;
        for (int i = 1; i <= kind.count; ++i) {
            EXPECT_FALSE(
                catalogue.ReadString(std::string(kind.section) + std::to_string(i), "Name", "").empty())
                << kind.section << i;
        }
        EXPECT_FALSE(catalogue.SectionExists(std::string(kind.section) + std::to_string(kind.count + 1)))
            << kind.section;
    }
    EXPECT_GE(state_.DemoCount, 12);
    EXPECT_GT(state_.UpdateCount, 0);
    for (int i = 1; i <= state_.UpdateCount; ++i) {
        EXPECT_FALSE(state_.Updates[i].Name.empty()) << i;
    }
    EXPECT_FALSE(catalogue.ValueExists("Updates", "Update" + std::to_string(state_.UpdateCount + 1)));
}

TEST_F(SampleCd, DemosCoverEveryInstallTypeAndDetectionRule) {
    std::set<int> types, rules, flags;
    bool long_name = false, ampersand = false, versions = false;
    for (int i = 1; i <= state_.DemoCount; ++i) {
        const TDemos& demo = state_.Demos[i];
        SCOPED_TRACE(demo.ListName);
        types.insert(demo.InstallType);
        rules.insert(demo.DirDetect);
        flags.insert(demo.Flags);
        long_name = long_name || (demo.Name.size() > 15 && demo.ListName == demo.Name);
        ampersand = ampersand || demo.ListName.find("&&") != std::string::npos;
        versions = versions || demo.Gamename.find(';') != std::string::npos;
        const std::vector<std::string> parameter = SplitList(demo.InstallParam);
        if (demo.DirDetect == DirDetect::IniFile || demo.DirDetect == DirDetect::SearchFile) {
            EXPECT_EQ(parameter.size(), 3u) << demo.InstallParam;
        } else if (demo.InstallType == InstallType::ArchiveToChosenDir) {
            EXPECT_GT(std::stoi(demo.InstallParam), 0) << "files in the archive, for the progress";
        } else if (demo.InstallType == InstallType::ArchiveToForcedDir) {
            EXPECT_TRUE(demo.InstallParam.starts_with("C:\\")) << "the forced directory";
        } else if (demo.InstallType == InstallType::SetupWatched ||
                   demo.InstallType == InstallType::RunsFromCdWhenFilePresent ||
                   demo.DirDetect == DirDetect::FoundDirIsEnough) {
            EXPECT_FALSE(demo.InstallParam.empty());
        }
    }
    for (const int type : {0, 1, 2, 3, 4, 5, 6, 7, 10}) {
        EXPECT_TRUE(types.contains(type)) << "install type " << type;
    }
    for (const int rule : {0, 1, 5, 6, 8, 9, 10}) {
        EXPECT_TRUE(rules.contains(rule)) << "detection rule " << rule;
    }
    for (const int flag : {1, 2, 3, 11, 12}) {
        EXPECT_TRUE(flags.contains(flag)) << "flags " << flag;
    }
    EXPECT_TRUE(long_name) << "a name over 15 characters keeps its case";
    EXPECT_TRUE(ampersand) << "a name with an ampersand";
    EXPECT_TRUE(versions) << "a game with a version list";
}

TEST_F(SampleCd, InstalledGamesOfferTwoAndThreeVersions) {
    std::set<std::size_t> counts;
    for (const TDemos& item : Items()) {
        if (item.InstallType != InstallType::RunsFromCd &&
            item.InstallType != InstallType::RunsFromCdWhenFilePresent) {
            counts.insert(SplitList(item.Gamename).size());
        }
    }
    EXPECT_TRUE(counts.contains(2));
    EXPECT_TRUE(counts.contains(3));
}

TEST_F(SampleCd, CzechTextsAreInCodePage1250WithCrLfLines) {
    std::string czech;
    for (const TDemos& item : Items()) {
        czech += item.ListName + item.Describe;
    }
    for (int i = 1; i <= state_.ShareCount; ++i) {
        czech += state_.Shares[i].Describe;
    }
    for (int i = 1; i <= state_.ShotCount; ++i) {
        czech += state_.Shots[i].Describe;
    }
    const std::string utf8 = ToUtf8(czech, CodePage::Windows1250);
    for (const std::string_view letter : {"ě", "š", "č", "ř", "ž", "ý", "á", "í", "é", "ů", "Č", "Š"}) {
        EXPECT_NE(utf8.find(letter), std::string::npos) << letter;
    }
    EXPECT_EQ(czech.find('?'), std::string::npos) << "no letter was lost in the encoding";

    const std::string catalogue = test::ReadFile(Host("D:\\TAVOX\\TAVOX95.INI"));
    for (std::size_t at = catalogue.find('\n'); at != std::string::npos; at = catalogue.find('\n', at + 1)) {
        ASSERT_TRUE(at > 0 && catalogue[at - 1] == '\r') << "a bare line feed at byte " << at;
    }
}

TEST_F(SampleCd, OnAFreshMachineOnlyTheItemsThatRunFromTheCdCanRun) {
    for (const TDemos& item : Items()) {
        SCOPED_TRACE(item.ListName);
        if (item.InstallType == InstallType::RunsFromCd) {
            EXPECT_EQ(item.Runnable, 1);
            EXPECT_EQ(item.InstalledDir, item.InstallDir);
        } else {
            EXPECT_TRUE(NotInstalled(item));
        }
    }
    EXPECT_TRUE(settings_->ReadSection("CD1298").empty());
}

TEST_F(SampleCd, EveryFileTheMenuStartsOrOpensIsOnTheCd) {
    for (const TDemos& item : Items()) {
        SCOPED_TRACE(item.ListName);
        if (!item.Readmename.empty()) {
            EXPECT_TRUE(FileExists(item.InstallDir + "\\" + item.Readmename));
        }
        if (item.InstallType == InstallType::RunsFromCd ||
            item.InstallType == InstallType::RunsFromCdWhenFilePresent) {
            // Every version of a version list.
            for (const std::string& version : SplitList(item.Gamename)) {
                if (!version.empty()) {
                    EXPECT_TRUE(IsHostProgram(Host(item.InstallDir + "\\" + ProgramPart(version))))
                        << version;
                }
            }
            if (!item.SetupName.empty()) {
                EXPECT_TRUE(IsHostProgram(Host(item.InstallDir + "\\" + item.SetupName)));
            }
        }
        if (item.InstallType == InstallType::ArchiveToChosenDir ||
            item.InstallType == InstallType::ArchiveToForcedDir) {
            EXPECT_TRUE(UpperCaseAscii(item.InstallName).ends_with(".RAR")) << item.InstallName;
        } else if (item.InstallType == InstallType::DosBatch) {
            EXPECT_TRUE(IsDosProgram(item.InstallDir + "\\" + item.InstallName)) << item.InstallName;
            EXPECT_TRUE(IsDosProgram(item.InstallDir + "\\DATA\\" + item.Gamename)) << item.Gamename;
        } else if (item.InstallType != InstallType::RunsFromCd) {
            EXPECT_TRUE(IsHostProgram(Host(item.InstallDir + "\\" + item.InstallName))) << item.InstallName;
        }
    }
    for (int i = 1; i <= state_.ShareCount; ++i) {
        EXPECT_TRUE(IsHostProgram(Host("D:\\Shareware\\" + state_.Shares[i].InstallName))) << i;
    }
    for (int i = 1; i <= state_.UpdateCount; ++i) {
        const TUpdate& update = state_.Updates[i];
        EXPECT_TRUE(FileExists("D:\\Updates\\" + DirectoryPart(update.SetupFile) + update.ReadmeFile)) << i;
        if (update.Kind != UpdateKind::Unpacked) {
            EXPECT_TRUE(IsHostProgram(Host("D:\\Updates\\" + update.SetupFile))) << i;
        }
    }
    for (const std::string_view program :
         {"D:\\Movies\\UBIK\\ubik.exe", "D:\\VYRNISTE12\\0run.bat", "D:\\DirectX\\dx5eng.exe",
          "D:\\IE401CZ\\IE4SETUP.EXE", "D:\\Shareware\\Tornik\\windows\\context.exe"}) {
        EXPECT_TRUE(IsHostProgram(Host(program))) << program;
    }
    EXPECT_TRUE(IsDosProgram("D:\\TAVOX\\WRITEINI.EXE"));
    for (const std::string_view file :
         {"D:\\TAVOX.EXE", "D:\\TAVOX\\INSTALL.PIF", "D:\\Shareware\\popisy.txt"}) {
        EXPECT_GT(machine_->Files().FileSize(file).value_or(0), 0u) << file;
    }
}

TEST_F(SampleCd, InstallersAndUninstallersAgreeWithTheDetection) {
    std::set<int> types, rules;
    for (TDemos item : Items()) {
        if (item.InstallType < InstallType::SetupWatched ||
            item.InstallType > InstallType::SetupInUninstallerDir) {
            continue;
        }
        SCOPED_TRACE(item.ListName);
        const Outcome install = Run(item.InstallDir + "\\" + item.InstallName);
        ASSERT_EQ(install.exit_code, 0) << install.err;
        if (item.DirDetect == DirDetect::SearchFile) {
            RecordSearchedDir(item);
        }
        item = Checked(item);
        ASSERT_TRUE(Installed(item)) << "installed in " << item.InstalledDir;
        const std::string program = item.InstalledDir + "\\" + ProgramPart(item.Gamename);
        if (!item.RegUninstall.empty()) {
            EXPECT_TRUE(UninstallKeyExists(item));
        }

        // The reader presses Cancel: the uninstaller ends and the game stays.
        const std::string cancel = machine_->WindowsDir() + "\\CANCELUN.FLG";
        test::WriteFile(Host(cancel), "");
        EXPECT_EQ(RunCommand(UninstallCommand(item)).exit_code, 0);
        EXPECT_TRUE(Installed(Checked(item))) << "cancelled, yet removed";
        fs::remove(Host(cancel));

        const Outcome uninstall = RunCommand(UninstallCommand(item));
        ASSERT_EQ(uninstall.exit_code, 0) << UninstallCommand(item) << "\n" << uninstall.err;
        EXPECT_FALSE(FileExists(program));
        item = Checked(item);
        EXPECT_TRUE(NotInstalled(item));
        if (!item.RegUninstall.empty()) {
            EXPECT_FALSE(UninstallKeyExists(item));
        }
        types.insert(item.InstallType);
        rules.insert(item.DirDetect);
    }
    for (const int type : {4, 5, 6, 7}) {
        EXPECT_TRUE(types.contains(type)) << "install type " << type;
    }
    for (const int rule : {1, 5, 6, 8, 9}) {
        EXPECT_TRUE(rules.contains(rule)) << "detection rule " << rule;
    }
}

TEST_F(SampleCd, TheDosInstallerLeavesItsDirectoryForWriteIniOnly) {
    if (!FindDosbox()) {
        GTEST_SKIP() << "DOSBox is not installed";
    }
    // The menu wrote its settings file before any install; WRITEINI.EXE, a DOS program, keeps its name.
    EXPECT_TRUE(settings_->WriteString("CD1298", "OTHER", "C:\\OTHER"));
    EXPECT_EQ(Run("D:\\TAVOX\\WRITEINI.EXE", {"NOTHING"}).exit_code, 0);
    EXPECT_FALSE(settings_->ValueExists("CD1298", "NOTHING")) << "no installer ran, nothing to record";
    int checked = 0;
    for (TDemos item : Items()) {
        if (item.InstallType != InstallType::DosBatch) {
            continue;
        }
        SCOPED_TRACE(item.ListName);
        // The directory the reader typed.
        ASSERT_EQ(Run(item.InstallDir + "\\" + item.InstallName, {"C:\\HRY\\DOSGAME"}).exit_code, 0);
        const Outcome record = Run("D:\\TAVOX\\WRITEINI.EXE", {item.ListName});
        ASSERT_EQ(record.exit_code, 0) << record.err;
        EXPECT_EQ(settings_->ReadString("CD1298", item.ListName, ""), "C:\\HRY\\DOSGAME");
        EXPECT_EQ(settings_->ReadString("CD1298", "OTHER", ""), "C:\\OTHER") << "the rest is kept";
        EXPECT_TRUE(Installed(Checked(item)));
        // A later batch whose installer was cancelled must not inherit this directory.
        EXPECT_EQ(Run("D:\\TAVOX\\WRITEINI.EXE", {"LATER"}).exit_code, 0);
        EXPECT_FALSE(settings_->ValueExists("CD1298", "LATER"));
        ++checked;
    }
    EXPECT_GT(checked, 0);
}

TEST_F(SampleCd, ItemsThatRunFromTheCdBecomeRunnableOnceTheirSetupRan) {
    int checked = 0;
    for (const TDemos& item : Items()) {
        if (item.InstallType != InstallType::RunsFromCdWhenFilePresent) {
            continue;
        }
        SCOPED_TRACE(item.ListName);
        ASSERT_EQ(Run(item.InstallDir + "\\" + item.InstallName).exit_code, 0);
        const TDemos after = Checked(item);
        EXPECT_EQ(after.Runnable, 1);
        EXPECT_EQ(after.InstalledDir, item.InstallDir);
        ++checked;
    }
    EXPECT_GE(checked, 2) << "one found by TestName, one by IniFile";
}

// Which instruction of the uninstall language an entry is, for the coverage of the CD.
std::string InstructionOf(std::string_view entry) {
    if (entry.starts_with('R') && entry.size() > 3) {
        return std::string(entry.substr(0, 3)) + (entry[3] == '\\' ? "\\" : "");
    }
    if (entry.starts_with("DG") && entry.size() > 2) {
        return "DGrest";
    }
    if (entry.starts_with('F') && std::string_view("?CDGPSW").find(entry[1]) == std::string_view::npos) {
        return "F-other";
    }
    return std::string(entry.substr(0, 2));
}

TEST_F(SampleCd, UninstallListsNameWhatTheInstallersLeaveBehind) {
    const FileSystem& files = machine_->Files();
    const UninstallFolders folders_of_machine{"", machine_->SystemDir() + "\\", machine_->WindowsDir() + "\\",
                                              machine_->ShellFolder("Programs") + "\\",
                                              machine_->ShellFolder("Desktop") + "\\"};
    if (!FindDosbox()) {
        GTEST_SKIP() << "DOSBox is not installed";
    }
    // The menu wrote its settings file before any install; WRITEINI.EXE, a DOS program, keeps its name.
    EXPECT_TRUE(settings_->WriteString("Main", "Language2", "1"));
    std::set<std::string> instructions;
    for (TDemos item : Items()) {
        EXPECT_LT(item.Uninstall.size(), 255u) << item.ListName << ": longer than the menu reads";
        if (item.InstallType == InstallType::RunsFromCd || item.InstallName.empty() ||
            UpperCaseAscii(item.InstallName).ends_with(".RAR")) {
            continue;
        }
        const std::vector<std::string> chosen_dir = item.InstallType == InstallType::DosBatch
                                                        ? std::vector<std::string>{"C:\\ZUBR"}
                                                        : std::vector<std::string>{};
        ASSERT_EQ(Run(item.InstallDir + "\\" + item.InstallName, chosen_dir).exit_code, 0) << item.ListName;
        if (item.InstallType == InstallType::DosBatch) {
            ASSERT_EQ(Run("D:\\TAVOX\\WRITEINI.EXE", {item.ListName}).exit_code, 0);
        }
        item = Checked(item);
        // The flow takes the "!" off before it reads the list.
        const std::string script =
            item.Uninstall.starts_with('!') ? item.Uninstall.substr(1) : item.Uninstall;
        for (const std::string& entry : SplitList(script)) {
            instructions.insert(InstructionOf(entry));
        }
        UninstallFolders folders = folders_of_machine;
        folders.InstalledDir = item.InstalledDir;
        const std::vector<UninstallInstruction> parsed = ParseUninstallScript(script, folders);
        EXPECT_EQ(parsed.empty(), script.empty()) << item.ListName;
        for (const UninstallInstruction& instruction : parsed) {
            SCOPED_TRACE(item.ListName + ": " + instruction.path + instruction.key + "|" + instruction.value);
            switch (instruction.action) {
            case UninstallAction::RemoveTree:
            case UninstallAction::DeleteEmptyBranch:
                EXPECT_TRUE(files.DirectoryExists(instruction.path));
                break;
            case UninstallAction::DeleteFile:
            case UninstallAction::DeleteFileQuietly:
                EXPECT_TRUE(files.FileExists(instruction.path));
                break;
            case UninstallAction::DeleteKeyTree:
            case UninstallAction::DeleteKey:
                EXPECT_TRUE(machine_->Reg().KeyExists(instruction.root, instruction.key));
                break;
            case UninstallAction::DeleteValue:
                EXPECT_TRUE(machine_->Reg().ReadString(instruction.root, instruction.key, instruction.value));
                break;
            }
        }
    }
    for (const std::string_view instruction :
         {"D?", "DE",      "DG",  "DGrest", "F?",  "FC",    "FD",  "FG", "FP", "FS",
          "FW", "F-other", "RMD", "RMD\\",  "RME", "RUE\\", "RUF", "SD", "SF", "SN"}) {
        EXPECT_TRUE(instructions.contains(std::string(instruction))) << "no item uses " << instruction;
    }
}

TEST_F(SampleCd, StandInsRefuseToRunWithoutAMachine) {
    const fs::path not_a_directory = dir_ / "file";
    test::WriteFile(not_a_directory, "x");
    for (const std::string& prefix : {std::string(), (dir_ / "missing").string(), not_a_directory.string()}) {
        SCOPED_TRACE(prefix);
        for (TDemos item : Items()) {
            if (item.InstallType >= InstallType::SetupWatched &&
                item.InstallType <= InstallType::SetupInUninstallerDir) {
                EXPECT_NE(RunWithPrefix(item.InstallDir + "\\" + item.InstallName, prefix).exit_code, 0);
            }
        }
    }
}

#ifdef TAVOX_MAKE_SAMPLE_CD
TEST(MakeSampleCd, ReplacesOnlyADirectoryItWroteItself) {
    const test::TempDir dir;
    const auto make = [&dir](const fs::path& out) {
        return RunHost(TAVOX_MAKE_SAMPLE_CD, {out.string(), "--dos-programs", TAVOX_DOS_PROGRAMS}, "",
                       dir / "stderr.txt")
            .exit_code;
    };
    test::WriteFile(dir / "mine" / "old" / "notes.txt", "my notes");
    EXPECT_NE(make(dir / "mine"), 0);
    EXPECT_EQ(test::ReadFile(dir / "mine" / "old" / "notes.txt"), "my notes");
    EXPECT_FALSE(fs::exists(dir / "mine" / "TAVOX"));

    // Empty directories hold nothing to lose: build tools make the output's parents beforehand.
    fs::create_directories(dir / "cd" / "TAVOX");
    ASSERT_EQ(make(dir / "cd"), 0) << test::ReadFile(dir / "stderr.txt");
    test::WriteFile(dir / "cd" / "stale.txt", "from before");
    ASSERT_EQ(make(dir / "cd"), 0) << test::ReadFile(dir / "stderr.txt");
    EXPECT_FALSE(fs::exists(dir / "cd" / "stale.txt"));
    EXPECT_TRUE(fs::exists(dir / "cd" / "TAVOX" / "TAVOX95.INI"));
}
#endif

} // namespace
} // namespace tavox
