#include "sample_cd.h"

#include "catalogue_writer.h"
#include "cd_files.h"
#include "item_files.h"
#include "sample_pictures.h"
#include "sample_tables.h"
#include "stand_in_scripts.h"

#include "rar-writer/rar_writer.h"

namespace sample_cd {

namespace {

void WriteShareware(CdFiles& files, const WindowsPrograms* windows) {
    for (const SampleShare& share : SampleShares()) {
        WriteShownProgram(files, windows, "Shareware\\" + std::string(share.install_name),
                          "the shareware \"" + std::string(share.name) + "\"");
    }
    files.Text("Shareware\\popisy.txt", SharewareOverview());
    // The picture on the shareware page starts this.
    WriteShownProgram(files, windows, "Shareware\\Tornik\\windows\\context.exe", "a shareware sampler");
}

// An unpacked update: the game's programs, patched, over the installed ones.
std::string UpdateArchive(const SampleUpdate& update, const std::string& what,
                          const WindowsPrograms* windows) {
    tavox::rar_writer::Archive archive;
    for (const SampleDemo& demo : SampleDemos()) {
        if (demo.name == update.name) {
            for (const std::string& program : ProgramsOf(demo.gamename)) {
                archive.entries.push_back(
                    tavox::rar_writer::File(program, ArchivedProgram(windows, program, what)));
            }
        }
    }
    return tavox::rar_writer::Write(archive);
}

void WriteUpdates(CdFiles& files, const WindowsPrograms* windows) {
    for (const SampleUpdate& update : SampleUpdates()) {
        const std::string setup(update.setup_file);
        const std::string dir = setup.substr(0, setup.rfind('\\') + 1);
        const std::string what = "the update of \"" + std::string(update.name) + "\"";
        if (IsArchiveName(setup)) {
            files.Bytes("Updates\\" + setup, UpdateArchive(update, what, windows));
        } else {
            WriteShownProgram(files, windows, "Updates\\" + setup, what);
        }
        files.Text("Updates\\" + dir + std::string(update.readme_file),
                   std::string(update.name) + " " + std::string(update.version) +
                       "\n\nUpdate opravuje chyby, které hráči našli v plné verzi hry, a přidává několik "
                       "nových možností. Před updatováním si raději hru zazálohujte.\n");
    }
}

// The helpers of the CD that the menu starts but that belong to no item.
void WriteCdHelpers(CdFiles& files, const DosPrograms& dos, const WindowsPrograms* windows) {
    files.Bytes("TAVOX.EXE",
                "MZ\r\nThe start program of the sample TAVOX CD; it stands in for the real one and "
                "is never run.\r\n");
    files.Bytes("AUTORUN.INF", "[autorun]\r\nopen=TAVOX.EXE A\r\nicon=TAVOX.EXE\r\n");
    files.Text("TAVOX\\TAVOX95.INI", CatalogueText());
    files.Bytes("TAVOX\\WRITEINI.EXE", dos.write_ini);
    files.Bytes("TAVOX\\INSTALL.PIF", "DOS window settings of the sample TAVOX CD.\r\n");
    WriteShownProgram(files, windows, "Movies\\UBIK\\ubik.exe", "the film player");
    const std::string diskmag = "Vyrniste" + std::to_string(kDiskmagIssue);
    files.Program(diskmag + "\\0run.bat",
                  ProgramStandIn("0run.bat",
                                 "the start of the disk magazine Vyrniste " + std::to_string(kDiskmagIssue)));
    files.Text(diskmag + "\\CTIMNE.TXT",
               "Vyrniste " + std::to_string(kDiskmagIssue) +
                   "\n\nDiskový magazín spouštějte z menu CD, tlačítkem Spustit.\n");
    files.Program("DirectX\\dx5eng.exe", ProgramStandIn("dx5eng.exe", "the DirectX 5 setup"));
    files.Program("IE401CZ\\IE4SETUP.EXE", ProgramStandIn("IE4SETUP.EXE", "the web browser's setup"));
}

} // namespace

std::optional<std::string> WriteSampleCd(const std::filesystem::path& root, std::string_view reg_tool,
                                         const std::filesystem::path& dos_programs,
                                         const std::optional<std::filesystem::path>& windows_programs) {
    const std::optional<DosPrograms> dos = ReadDosPrograms(dos_programs);
    if (!dos) {
        return "the DOS programs are missing from " + dos_programs.string();
    }
    std::optional<WindowsPrograms> windows;
    if (windows_programs) {
        windows = ReadWindowsPrograms(*windows_programs);
        if (!windows) {
            return "the Windows programs are missing from " + windows_programs->string();
        }
    }
    const WindowsPrograms* real = windows ? &*windows : nullptr;
    std::vector<ItemView> items;
    for (const SampleDemo& demo : SampleDemos()) {
        items.push_back(ViewOf(demo));
    }
    for (const SampleReader& reader : SampleReaders()) {
        items.push_back(ViewOf(reader));
    }
    for (const ItemView& item : items) {
        if (auto error = CheckItem(item)) {
            return error;
        }
    }
    CdFiles files(root);
    WriteCdHelpers(files, *dos, real);
    for (const ItemView& item : items) {
        WriteItemFiles(item, reg_tool, *dos, real, files);
    }
    WriteShareware(files, real);
    WriteUpdates(files, real);
    if (auto error = WriteSamplePictures(files)) {
        return error;
    }
    return files.Error();
}

} // namespace sample_cd
