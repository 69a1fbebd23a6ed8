// Catalogues from arbitrary bytes, loaded as the menu loads them. Counts stay within the capacities, no
// record past a count holds anything, the texts follow the load's rules, and the detection that runs with
// the load never touches the settings file beyond the current issue's section.

#include "base/ascii.h"
#include "catalogue/catalogue_load.h"
#include "catalogue/detection.h"
#include "fuzz_support.h"
#include "platform/machine.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace {

using tavox::fuzz::Require;

constexpr std::string_view kSettings = "[Main]\r\nLanguage=1\r\nFullScreen=0\r\n"
                                       "[CD0000]\r\nOLD=C:\\OLD\r\nOLD_=OLD.EXE,,\r\n";

struct World {
    World() {
        const auto root = tavox::fuzz::ScratchDir();
        Require(tavox::CreateMachineLayout(root / "machine").Ok(), "a machine can be made");
        std::filesystem::create_directories(root / "cd" / "TAVOX");
        std::filesystem::create_directories(root / "cd" / "DEMOS" / "GAME");
        tavox::fuzz::WriteBytes(root / "cd" / "DEMOS" / "GAME" / "GAME.EXE", "MZ");
        machine = std::make_unique<tavox::Machine>(root / "machine");
        Require(machine->MapDrive('D', root / "cd", tavox::DriveType::CdRom).Ok(), "the CD can be mapped");
        catalogue = root / "cd" / "TAVOX" / "TAVOX95.INI";
        settings = *machine->Files().HostPath("C:\\WINDOWS\\tavox.ini");
    }
    std::unique_ptr<tavox::Machine> machine;
    std::filesystem::path catalogue;
    std::filesystem::path settings;
};

template <typename Array, typename Record>
void RequireEmptyPast(const Array& array, int count, const Record& empty, std::string_view what) {
    Require(count >= 0 && count <= Array::kCapacity, what);
    for (int i = count + 1; i <= Array::kCapacity; ++i) {
        Require(array[i] == empty, "records past a count are empty");
    }
    Require(array[0] == empty && array[Array::kCapacity + 1] == empty, "nothing is kept outside an array");
}

// An installed item can be run and removed; one that is not can be installed. Items that run from the CD
// are runnable without being installed.
void RequireOneState(const tavox::TDemos& item) {
    if (item.InstallType == tavox::InstallType::RunsFromCd) {
        Require(item.Runnable == 1 && item.NotInstalled == 0, "an item on the CD runs from there");
        return;
    }
    Require(item.Runnable == item.Removable && item.NotInstalled == 1 - item.Removable,
            "an item is either installed or not");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 128 * 1024) {
        return 0;
    }
    static World world;
    tavox::fuzz::WriteBytes(world.catalogue, std::string_view(reinterpret_cast<const char*>(data), size));
    tavox::fuzz::WriteBytes(world.settings, kSettings);

    tavox::ProfileFile settings(world.settings);
    tavox::DetectionContext detection{*world.machine, settings, "", "D:", "C:\\WINDOWS\\", ""};
    tavox::CatalogueState state;
    const tavox::LoadResult result = tavox::LoadCatalogue(detection, state);

    Require(result.outcome == tavox::LoadOutcome::Loaded ||
                result.outcome == tavox::LoadOutcome::LoadedWithError,
            "a catalogue that exists always loads");
    Require((result.outcome == tavox::LoadOutcome::Loaded) == result.message.empty(),
            "an error message comes exactly with a load error");
    RequireEmptyPast(state.Demos, state.DemoCount, tavox::TDemos{}, "demo count within capacity");
    RequireEmptyPast(state.Shares, state.ShareCount, tavox::TDemos{}, "shareware count within capacity");
    RequireEmptyPast(state.Updates, state.UpdateCount, tavox::TUpdate{}, "update count within capacity");
    RequireEmptyPast(state.Shots, state.ShotCount, tavox::TShot{}, "hotshot count within capacity");
    RequireEmptyPast(state.Readers, state.ReaderCount, tavox::TDemos{}, "readers' count within capacity");
    Require(state.MovieCount >= 0, "no negative film count");
    Require(state.DescribeVariant >= 1 && state.DescribeVariant <= 5, "the edition is 1..5");
    Require(result.Title == "TAVOX CD " + result.IssueLabel, "the title carries the issue label");
    Require(state.CdIssue == detection.CdIssue, "detection works on the loaded issue");

    for (int i = 1; i <= state.DemoCount; ++i) {
        const tavox::TDemos& demo = state.Demos[i];
        Require(demo.ListName == (demo.Name.size() > 15 ? demo.Name : tavox::UpperCaseAscii(demo.Name)),
                "a demo's list name is its name, upper-cased when short");
        Require(demo.InstallDir.starts_with("D:\\DEMOS\\"), "a demo lives in the CD's DEMOS directory");
        Require(demo.PictureCached == 0, "no picture is cached by a load");
        RequireOneState(demo);
    }
    for (int i = 1; i <= state.ReaderCount; ++i) {
        Require(state.Readers[i].InstallDir.starts_with("D:\\Readers\\"), "readers' items live in Readers");
        RequireOneState(state.Readers[i]);
    }
    // The detection may only write the current issue's records.
    const tavox::ProfileFile after(world.settings);
    Require(after.ReadInteger("Main", "Language", 0) == 1 && after.ReadInteger("Main", "FullScreen", 9) == 0,
            "the user's choices survive a load");
    if (state.CdIssue != "0000") {
        Require(after.ReadString("CD0000", "OLD", "") == "C:\\OLD", "other issues' records survive a load");
    }
    for (const std::string& section : after.ReadSections()) {
        Require(section == "Main" || section == "CD0000" || section == "CD" + state.CdIssue,
                "a load writes only its own issue's section");
    }
    return 0;
}
