// Catalogue load with detection against a real Wine registry, beside the bare parse of the same catalogue
// and of the registry file, so that the ratios show where the time goes.
#include "catalogue/catalogue_load.h"
#include "catalogue/detection.h"
#include "platform/machine.h"
#include "support/temp_dir.h"

#include <benchmark/benchmark.h>

#include <string>

namespace tavox {
namespace {

namespace fs = std::filesystem;

// A full issue: 25 demos, 20 shareware items, 25 updates, 15 hotshots, 15 readers' items, every demo with a
// registry-based detection rule so that each load asks the registry.
std::string FullCatalogue() {
    std::string text =
        "[Main]\r\nDemos=25\r\nShareware=20\r\nUpdates=25\r\nShots=15\r\nReaders=15\r\nCD=1298\r\n"
        "Version=1\r\n[Updates]\r\n";
    for (int i = 1; i <= 25; ++i) {
        text += "Update" + std::to_string(i) + "=Update " + std::to_string(i) + ",1.0" + std::to_string(i) +
                ",U" + std::to_string(i) + "\\SETUP.EXE,U" + std::to_string(i) + "\\README.TXT,1\r\n";
    }
    for (int i = 1; i <= 25; ++i) {
        const std::string n = std::to_string(i);
        text += "[Demo" + n + "]\r\nName=Demo number " + n +
                "\r\nFirm=Maker & Sons\r\nDescribe0=English text " + std::string(400, 'e') +
                "\r\nDescribe1=Local text " + std::string(400, 'c') + "\r\nInstallDir=DEMO" + n +
                "\r\nInstallName=SETUP.EXE\r\nGamename=GAME" + n +
                ".EXE\r\nInstallType=" + (i % 2 ? "4" : "5") + "\r\nDirDetect=" + (i % 2 ? "0" : "1") +
                "\r\nRegUninstall=Demo" + n + "\r\nDate=12.10.1998\r\nPicture=DEMO" + n + "\r\n";
    }
    for (int i = 1; i <= 20; ++i) {
        text += "[Share" + std::to_string(i) + "]\r\nName=Share " + std::to_string(i) +
                "\r\nInstallName=S.EXE\r\nDescribe0=x\r\nDescribe1=y\r\n";
    }
    for (int i = 1; i <= 15; ++i) {
        const std::string n = std::to_string(i);
        text += "[Shot" + n + "]\r\nName=Shot " + n + "\r\nFirm=F\r\nDate=1999\r\nPicture=S" + n + "\r\n";
        text += "[Reader" + n + "]\r\nName=Reader " + n + "\r\nInstallDir=R" + n +
                "\r\nInstallType=2\r\nGamename=R.EXE\r\n";
    }
    return text;
}

class Fixture {
public:
    Fixture() {
        const fs::path fixtures = fs::path(TAVOX_SHARED_DIR) / "fixtures" / "wine-prefix";
        available_ = fs::exists(fixtures / "system.reg");
        if (!available_) {
            return;
        }
        CreateMachineLayout(dir_.Path());
        fs::copy_file(fixtures / "system.reg", dir_ / "system.reg", fs::copy_options::overwrite_existing);
        fs::create_directories(dir_ / "cd" / "TAVOX");
        test::WriteFile(dir_ / "cd" / "TAVOX" / "TAVOX95.INI", FullCatalogue());
        machine_ = std::make_unique<Machine>(dir_.Path());
        machine_->MapDrive('D', dir_ / "cd", DriveType::CdRom);
    }
    bool Available() const { return available_; }
    Machine& Get() { return *machine_; }
    fs::path CataloguePath() const { return dir_ / "cd" / "TAVOX" / "TAVOX95.INI"; }
    fs::path SystemReg() const { return dir_ / "system.reg"; }

private:
    test::TempDir dir_;
    bool available_ = false;
    std::unique_ptr<Machine> machine_;
};

Fixture& Shared() {
    static Fixture fixture;
    return fixture;
}

void BM_BareCatalogueParse(benchmark::State& state) {
    Fixture& fixture = Shared();
    if (!fixture.Available()) {
        state.SkipWithError("no shared fixtures");
        return;
    }
    for (auto _ : state) {
        const ProfileFile catalogue(fixture.CataloguePath());
        benchmark::DoNotOptimize(catalogue.ReadString("Demo25", "Name", ""));
    }
}
BENCHMARK(BM_BareCatalogueParse)->Unit(benchmark::kMicrosecond);

void BM_LoadWithDetection(benchmark::State& state) {
    Fixture& fixture = Shared();
    if (!fixture.Available()) {
        state.SkipWithError("no shared fixtures");
        return;
    }
    ProfileFile settings(fixture.Get().Files().HostPath("C:\\WINDOWS\\tavox.ini").value());
    for (auto _ : state) {
        DetectionContext detection{fixture.Get(), settings, "", "D:", "C:\\WINDOWS\\", ""};
        CatalogueState catalogue;
        benchmark::DoNotOptimize(LoadCatalogue(detection, catalogue));
    }
}
BENCHMARK(BM_LoadWithDetection)->Unit(benchmark::kMicrosecond);

void BM_RegistryFirstParse(benchmark::State& state) {
    Fixture& fixture = Shared();
    if (!fixture.Available()) {
        state.SkipWithError("no shared fixtures");
        return;
    }
    for (auto _ : state) {
        const Registry registry(fixture.SystemReg(), fixture.SystemReg().parent_path() / "user.reg");
        benchmark::DoNotOptimize(registry.ReadString(
            RegistryRoot::LocalMachine, "Software\\Microsoft\\Windows NT\\CurrentVersion", "SystemRoot"));
    }
}
BENCHMARK(BM_RegistryFirstParse)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace tavox

BENCHMARK_MAIN();
