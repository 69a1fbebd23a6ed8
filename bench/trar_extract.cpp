// Extracts one archive through TRAR the way the unpack dialog does: every listed and every extracted file
// lets pending events be processed, and the data callback answers "go on". Prints the files extracted and
// the peak resident memory, for bench/rar_extract.sh.
// Usage: trar_extract ARCHIVE TARGET_DIR
#include "installer/trar.h"
#include "platform/drive_map.h"

#include <QCoreApplication>

#include <sys/resource.h>

#include <cstdio>
#include <filesystem>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fputs("usage: trar_extract ARCHIVE TARGET_DIR\n", stderr);
        return 2;
    }
    // The host's directories as drives, so that the component's Windows paths name them.
    const std::filesystem::path archive = std::filesystem::absolute(argv[1]);
    const std::filesystem::path target = std::filesystem::absolute(argv[2]);
    tavox::DriveMap drives;
    drives.Map('D', archive.parent_path(), tavox::DriveType::CdRom);
    drives.Map('C', target, tavox::DriveType::Fixed);

    tavox::TRAR rar(drives);
    rar.ArchiveName = "D:\\" + archive.filename().string();
    rar.TargetDir = "C:\\";
    int files = 0;
    int errors = 0;
    rar.OnProcessData = [](tavox::TRAR&, unsigned char*, int, int) { return 1; };
    rar.OnListFile = [](tavox::TRAR&, const tavox::unrar::RARHeaderData&) {
        QCoreApplication::processEvents();
    };
    rar.OnExtract = [&files](tavox::TRAR&, const tavox::unrar::RARHeaderData&, bool) {
        ++files;
        QCoreApplication::processEvents();
    };
    rar.OnError = [&errors](tavox::TRAR&, int) { ++errors; };
    rar.List();
    const bool extracted = rar.Extract();

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    rusage children{};
    getrusage(RUSAGE_CHILDREN, &children);
    std::printf("files=%d errors=%d peak_kb=%ld worker_peak_kb=%ld\n", files, errors, usage.ru_maxrss,
                children.ru_maxrss);
    return extracted ? 0 : 1;
}
