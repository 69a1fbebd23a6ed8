// The Run command.
#include "app/form1.h"
#include "installer/launcher.h"
#include "installer/ui/version_dialog.h"
#include "installer/version_list.h"

namespace tavox {

namespace {

// Records of these install types and above are never run.
constexpr std::uint32_t kFirstUnrunnableType = 12;

// Catalogue and table texts alike are in the code page of the edition's Windows, which the default
// character set stands for.
QString Displayed(const std::string& bytes) {
    return QString::fromStdString(ToUtf8(bytes, LabelCodePage(1)));
}

} // namespace

void TForm1::RunButtonClick() {
    const std::string& cd = folders.CdDrive;
    const int item = navigation.CurrentItem;
    Launcher& launcher = services.launcher;
    switch (navigation.CurrentPage) {
    case PageKind::Demos:
        RunProc(catalogue.Demos[item]);
        break;
    case PageKind::Shareware:
        launcher.NormalExec(cd + "\\Shareware\\" + catalogue.Shares[item].InstallName, kShowNormal);
        break;
    case PageKind::Updates:
        launcher.NormalExec(cd + "\\Updates\\" + catalogue.Updates[item].SetupFile, kShowNormal);
        break;
    case PageKind::Films:
        // One player for every film of the issue.
        launcher.NormalExec(cd + "\\Movies\\UBIK\\ubik.exe", kShowNormal);
        break;
    case PageKind::Vyrniste:
        launcher.NormalExec(cd + "\\VYRNISTE" + std::to_string(catalogue.DiskmagIssue) + "\\0run.bat",
                            kShowNormal);
        break;
    case PageKind::Readers:
        RunProc(catalogue.Readers[item]);
        break;
    case PageKind::Installed:
        RunProc(catalogue.Installed[item]);
        break;
    default:
        break;
    }
}

void TForm1::RunProc(TDemos record) {
    if (static_cast<std::uint32_t>(record.InstallType) >= kFirstUnrunnableType) {
        return;
    }
    // Every issue runs its items where detection found them. (The menus of 2/98 and 3/98 did; the others
    // ran them from the root of C:, where they are not.)
    const std::string& dir = record.InstalledDir;
    std::string file = record.Gamename;
    if (IsVersionList(record.Gamename)) {
        QStringList labels;
        for (const std::string& label : VersionLabels(record.Gamename)) {
            labels.push_back(Displayed(label));
        }
        const int chosen = ChooseVersion(Displayed(LoadString(StringId::WhichVersionQuestion)), labels);
        const std::optional<std::string> version = VersionFile(record.Gamename, chosen - 10);
        if (!version) {
            return;
        }
        file = *version;
    }
    services.launcher.NormalExec(dir + "\\" + file, kShowNormal);
}

} // namespace tavox
