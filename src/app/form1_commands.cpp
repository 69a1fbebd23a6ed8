#include "app/form1.h"

#include "catalogue/text_helpers.h"
#include "installer/launcher.h"

namespace tavox {

void TForm1::CommandClick(int object) {
    switch (object) {
    case CursorObject::Run:
        RunButtonClick();
        break;
    case CursorObject::Readme:
        ReadmeButtonClick();
        break;
    case CursorObject::Install:
        InstallButtonClick();
        break;
    case CursorObject::Uninstall:
        UnButtonClick();
        break;
    default:
        break;
    }
}

void TForm1::ReadmeButtonClick() {
    const std::string& cd = folders.CdDrive;
    switch (navigation.CurrentPage) {
    case PageKind::Demos: {
        const TDemos& demo = catalogue.Demos[navigation.CurrentItem];
        services.launcher.ShellExec(demo.InstalledDir + "\\" + demo.Readmename, kShowNormal);
        break;
    }
    case PageKind::Shareware:
        services.launcher.ShellExec(cd + "\\Shareware\\popisy.txt", kShowNormal);
        break;
    case PageKind::Updates: {
        const TUpdate& update = catalogue.Updates[navigation.CurrentItem];
        services.launcher.ShellExec(cd + "\\Updates\\" + AddSlash(DirectoryPart(update.SetupFile)) + "\\" +
                                        update.ReadmeFile,
                                    kShowNormal);
        break;
    }
    case PageKind::Readers: {
        const TDemos& reader = catalogue.Readers[navigation.CurrentItem];
        services.launcher.ShellExec(reader.InstalledDir + "\\" + reader.Readmename, kShowNormal);
        break;
    }
    default:
        break;
    }
}

void TForm1::ExplorerLabelClick() {
    std::string dir;
    switch (navigation.CurrentPage) {
    case PageKind::Demos:
        dir = "\\Demos";
        break;
    case PageKind::Shareware:
        dir = "\\Shareware";
        break;
    case PageKind::Updates:
        dir = "\\Updates";
        break;
    case PageKind::Films:
        dir = "\\Movies";
        break;
    case PageKind::Vyrniste:
        dir = "\\Vyrniste" + std::to_string(catalogue.DiskmagIssue);
        break;
    case PageKind::Readers:
        dir = "\\Readers";
        break;
    case PageKind::Custom:
        dir = "\\IE401CZ";
        break;
    default:
        return;
    }
    services.launcher.NormalExec("explorer " + folders.CdDrive + dir, kShowNormal);
}

void TForm1::TornikBitmapClick() {
    services.launcher.NormalExec(folders.CdDrive + "\\Shareware\\Tornik\\windows\\context.exe", kShowNormal);
}

} // namespace tavox
