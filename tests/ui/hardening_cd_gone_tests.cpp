// The disc taken out while the menu runs: every page, picture step and command still ends cleanly, what the
// menu reports goes through its message boxes by Windows path, the Installed page still lists what the
// settings file records, and nothing is written where the disc was.
#include "app/form1.h"

#include "app/form2_viewer.h"
#include "app/form3_directory_chooser.h"
#include "app/unpack_form.h"
#include "catalogue/settings_records.h"
#include "installer/ui/version_dialog.h"
#include "support/form_fixture.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>

namespace tavox {
namespace {

namespace fs = std::filesystem;

// Every file of a tree with its size and time of last change.
std::map<std::string, std::pair<std::uintmax_t, fs::file_time_type>> Snapshot(const fs::path& root) {
    std::map<std::string, std::pair<std::uintmax_t, fs::file_time_type>> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string name = fs::relative(entry.path(), root).string();
        files[name] = {entry.is_regular_file() ? entry.file_size() : 0, entry.last_write_time()};
    }
    return files;
}

fs::path CopiedTree(const fs::path& from, const fs::path& to) {
    fs::copy(from, to, fs::copy_options::recursive);
    return to;
}

class CdGoneTest : public ::testing::Test {
protected:
    void SetUp() override {
        // An item of an earlier issue, installed on the hard disk: the Installed page must keep showing it.
        TDemos earlier;
        earlier.ListName = "STARSI";
        earlier.Gamename = "STARSI.EXE";
        earlier.InstalledDir = "C:\\HRY\\STARSI";
        ProfileFile settings = fixture.Machine().Settings();
        WriteInstalledRecord(settings, "1198", earlier);
        fixture.Machine().Write("C:\\HRY\\STARSI\\STARSI.EXE", "MZ");

        ASSERT_TRUE(fixture.Start());
        before = Snapshot(cd_dir);
        fs::rename(cd_dir, gone_dir);
    }

    TForm1& form() { return fixture.Form(); }

    // The section button that opens a page kind, 0 when the CD has no such page.
    int ButtonOf(std::uint8_t kind) {
        for (int n = 1; n <= form().catalogue.PageCount; ++n) {
            if (form().catalogue.Pages[n].Kind == kind) {
                return n;
            }
        }
        return 0;
    }

    // The directory chooser is cancelled; an unpack must end by itself, the archive being gone; of several
    // versions the first is run.
    static void AnswerDialog(QDialog& dialog) {
        if (auto* chooser = dynamic_cast<TForm3*>(&dialog)) {
            chooser->CancelButtonClick();
        } else if (dynamic_cast<TUnpackForm*>(&dialog) != nullptr) {
            EXPECT_TRUE(test::WaitUntil([&] { return !dialog.isVisible(); }));
        } else {
            dialog.done(kFirstVersionResult);
        }
    }

    // Selects every item of the current page in turn, steps its pictures both ways and presses the commands
    // that the panel offers.
    void WorkThroughPage() {
        const int count = form().PageItemCount();
        for (int row = 1; row <= std::min(count, 15); ++row) {
            form().DemosLabelClick(row);
            for (int step = 0; step < 3; ++step) {
                form().RightSpot2Click();
            }
            form().LeftSpot2Click();
            for (const int command : {CursorObject::Run, CursorObject::Readme, CursorObject::Install}) {
                if (form().AssignObject(command)->isVisible()) {
                    const test::ModalScript<QDialog> answer(AnswerDialog);
                    form().CommandClick(command);
                }
            }
        }
    }

    test::TempDir dir;
    const fs::path cd_dir = CopiedTree(TAVOX_SAMPLE_CD, dir / "cd"); // a private disc to take out
    const fs::path gone_dir = dir / "cd-gone";
    test::FormFixture fixture{cd_dir};
    std::map<std::string, std::pair<std::uintmax_t, fs::file_time_type>> before;
};

TEST_F(CdGoneTest, EveryPageAndCommandEndsCleanlyAndReportsOnlyThroughMessageBoxes) {
    for (const std::uint8_t kind : {PageKind::Demos, PageKind::Shareware, PageKind::Updates, PageKind::Films,
                                    PageKind::Readers, PageKind::Hotshots, PageKind::Custom}) {
        const int button = ButtonOf(kind);
        if (button == 0) {
            continue;
        }
        if (form().navigation.CurrentPage != kind) {
            form().MainButtonClick(button);
        }
        ASSERT_EQ(form().navigation.CurrentPage, kind);
        WorkThroughPage();
    }

    // The full-screen viewer opens over a missing picture and still closes.
    form().MainButtonClick(ButtonOf(PageKind::Demos));
    form().DemosLabelClick(3);
    const test::ModalScript<TForm2> close([](TForm2& viewer) { viewer.Image1Click(); });
    form().SmallImageClick();
    EXPECT_EQ(close.Runs(), 1);

    // The missing pictures were reported, by their Windows paths; no host path reaches the reader.
    bool picture_reported = false;
    for (const auto& shown : fixture.Messages().shown) {
        EXPECT_FALSE(shown.text.contains(QString::fromStdString(dir.Path().string())))
            << shown.text.toStdString();
        picture_reported = picture_reported || shown.text.startsWith("Cannot open file D:\\TAVOX\\");
    }
    EXPECT_TRUE(picture_reported);

    // No install from the missing disc was recorded as done.
    const std::vector<RecordedItem> recorded = ReadRecordedItems(fixture.Machine().Settings());
    EXPECT_TRUE(std::none_of(recorded.begin(), recorded.end(), [this](const RecordedItem& item) {
        return item.Issue == form().catalogue.CdIssue;
    }));

    // Nothing was written where the disc was, nor on the disc as it was.
    EXPECT_FALSE(fs::exists(cd_dir));
    EXPECT_EQ(Snapshot(gone_dir), before);
}

TEST_F(CdGoneTest, TheInstalledPageStillListsWhatTheSettingsFileRecords) {
    form().DemosLabelClick(2);
    const std::size_t reported = fixture.Messages().shown.size();
    form().MainButtonClick(ButtonOf(PageKind::Installed));
    ASSERT_EQ(form().navigation.CurrentPage, PageKind::Installed);
    ASSERT_EQ(form().catalogue.InstalledCount, 1);
    EXPECT_EQ(form().catalogue.Installed[1].ListName, "STARSI");
    EXPECT_EQ(form().catalogue.Installed[1].InstalledDir, "C:\\HRY\\STARSI");
    EXPECT_EQ(fixture.Machine().Settings().ReadString("CD1198", "STARSI", ""), "C:\\HRY\\STARSI");
    EXPECT_EQ(fixture.Messages().shown.size(), reported);
}

} // namespace
} // namespace tavox
