// The unpack dialog over a real main window: archives written for each test, extracted into the machine.
#include "app/unpack_form.h"
#include "installer/make_path.h"

#include "platform/machine.h"
#include "rar-writer/rar_writer.h"
#include "support/form_fixture.h"

#include <QCoreApplication>
#include <QKeyEvent>

#include <gtest/gtest.h>

namespace tavox {
namespace {

namespace rw = rar_writer;

class UnpackDialogTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(fixture.Start()); }

    // Puts an archive on drive C: as the current demo's, with the given FilesInArchive value.
    void UseArchive(const rw::Archive& archive, std::string files_in_archive,
                    std::uint8_t page = PageKind::Demos) {
        const std::filesystem::path host = fixture.Machine().Host("C:\\CD\\GAME.RAR");
        std::filesystem::create_directories(host.parent_path());
        ASSERT_TRUE(rw::WriteArchive(host, archive));
        TForm1& form = fixture.Form();
        form.navigation.CurrentPage = page;
        form.navigation.CurrentItem = 1;
        TDemos& demo = page == PageKind::Readers ? form.catalogue.Readers[1] : form.catalogue.Demos[1];
        demo.ListName = "Hra";
        demo.InstallDir = "C:\\CD";
        demo.InstallName = "GAME.RAR";
        demo.InstallParam = std::move(files_in_archive);
        form.folders.ChosenDir = "C:\\GAMES\\X";
        EXPECT_TRUE(MakePath(fixture.Machine().Get().Files(), "C:\\GAMES\\X"));
    }

    static rw::Archive FourFiles() {
        return {rw::Format::Rar4,
                {rw::File("A.TXT", "a"), rw::File("B.TXT", "bb"), rw::File("C.TXT", "ccc"),
                 rw::File("D.TXT", "dddd")},
                {},
                {}};
    }

    // Runs the dialog to its end; `after_file` runs after each extracted file with the caption shown.
    void Run(const std::function<void(TUnpackForm&, int file)>& after_file = {}) {
        TUnpackForm dialog(fixture.Form());
        const TRAR::TFileExtracted shown = dialog.RAR.OnExtract;
        dialog.RAR.OnExtract = [&](TRAR& sender, const unrar::RARHeaderData& header, bool result) {
            shown(sender, header, result);
            captions.push_back(dialog.Label1->Caption());
            if (after_file) {
                after_file(dialog, static_cast<int>(captions.size()));
                QCoreApplication::processEvents();
            }
        };
        dialog.exec();
        final_caption = dialog.Label1->Caption();
        file_count = dialog.FileCount;
    }

    bool Extracted(std::string_view name) {
        return fixture.Machine().Get().Files().FileExists("C:\\GAMES\\X\\" + std::string(name));
    }

    test::FormFixture fixture;
    std::vector<std::string> captions;
    std::string final_caption;
    int file_count = 0;
};

TEST_F(UnpackDialogTest, ShowsTheShareOfFilesDoneThenAHundred) {
    UseArchive(FourFiles(), "4");
    Run();
    EXPECT_EQ(captions, (std::vector<std::string>{"0%", "25%", "50%", "75%"}));
    EXPECT_EQ(final_caption, "100%");
    EXPECT_EQ(test::ReadFile(fixture.Machine().Host("C:\\GAMES\\X\\D.TXT")), "dddd");
    EXPECT_EQ(fixture.Form().folders.ChosenDir, "C:\\GAMES\\X");
    EXPECT_TRUE(fixture.Messages().shown.empty());
}

TEST_F(UnpackDialogTest, CountsByListingWithoutAFileCount) {
    for (const std::string value : {"0", "", "C:\\FORCED"}) {
        captions.clear();
        UseArchive(FourFiles(), value);
        Run();
        EXPECT_EQ(file_count, 4) << value;
        ASSERT_EQ(captions.size(), 4u) << value;
        EXPECT_EQ(captions.back(), "75%") << value;
    }
}

TEST_F(UnpackDialogTest, EscapeAnsweredNoGoesOn) {
    UseArchive(FourFiles(), "4");
    fixture.Messages().answers = {false};
    Run([](TUnpackForm& dialog, int file) {
        if (file == 1) {
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QCoreApplication::sendEvent(&dialog, &escape);
        }
    });
    EXPECT_EQ(captions.size(), 4u);
    EXPECT_TRUE(Extracted("D.TXT"));
    EXPECT_EQ(fixture.Form().folders.ChosenDir, "C:\\GAMES\\X");
    ASSERT_EQ(fixture.Messages().shown.size(), 1u);
}

TEST_F(UnpackDialogTest, EscapeAnsweredYesKeepingTheFilesStopsTheExtraction) {
    UseArchive(FourFiles(), "4");
    fixture.Messages().answers = {true, false}; // quit the installation, keep what was unpacked
    Run([](TUnpackForm& dialog, int file) {
        if (file == 2) {
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QCoreApplication::sendEvent(&dialog, &escape);
        }
    });
    EXPECT_EQ(captions.size(), 2u);
    EXPECT_TRUE(Extracted("B.TXT"));
    EXPECT_FALSE(Extracted("C.TXT"));
    EXPECT_EQ(fixture.Form().folders.ChosenDir, "");
    EXPECT_EQ(fixture.Messages().shown.size(), 2u);
}

TEST_F(UnpackDialogTest, EscapeAnsweredYesTwiceDeletesWhatWasUnpacked) {
    UseArchive(FourFiles(), "4");
    fixture.Messages().answers = {true, true};
    Run([](TUnpackForm& dialog, int file) {
        if (file == 2) {
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QCoreApplication::sendEvent(&dialog, &escape);
        }
    });
    EXPECT_FALSE(fixture.Machine().Get().Files().DirectoryExists("C:\\GAMES\\X"));
    EXPECT_EQ(fixture.Form().folders.ChosenDir, "");
}

TEST_F(UnpackDialogTest, EscapeIsIgnoredOutsideTheDemosPage) {
    UseArchive(FourFiles(), "4", PageKind::Readers);
    Run([](TUnpackForm& dialog, int) {
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(&dialog, &escape);
    });
    EXPECT_EQ(captions.size(), 4u);
    EXPECT_TRUE(fixture.Messages().shown.empty());
    EXPECT_EQ(fixture.Form().folders.ChosenDir, "C:\\GAMES\\X");
}

TEST_F(UnpackDialogTest, ADamagedFileIsReportedAndTheRestIsExtracted) {
    rw::Archive archive = FourFiles();
    archive.entries[1].bad_crc = true;
    UseArchive(archive, "4");
    Run();
    ASSERT_EQ(fixture.Messages().shown.size(), 1u);
    EXPECT_EQ(fixture.Messages().shown[0].text, "CRC error, data damaged");
    EXPECT_TRUE(Extracted("D.TXT"));
    EXPECT_EQ(fixture.Form().folders.ChosenDir, "");
    EXPECT_EQ(final_caption, "100%");
}

TEST_F(UnpackDialogTest, AMissingArchiveIsReportedOnce) {
    UseArchive(FourFiles(), "0");
    fixture.Form().catalogue.Demos[1].InstallName = "NONE.RAR";
    Run();
    ASSERT_EQ(fixture.Messages().shown.size(), 1u);
    EXPECT_EQ(fixture.Form().folders.ChosenDir, "");
}

// The listing already found the archive broken and the install failed: nothing is unpacked into a folder
// that the menu will not count as installed, and the error is not shown a second time.
TEST_F(UnpackDialogTest, AnArchiveThatFailsToListIsNotExtracted) {
    rw::Archive archive = FourFiles();
    archive.entries[2].bad_header_crc = true;
    UseArchive(archive, "0");
    Run();
    ASSERT_EQ(fixture.Messages().shown.size(), 1u);
    EXPECT_EQ(fixture.Messages().shown[0].kind, MessageKind::Error);
    EXPECT_FALSE(Extracted("A.TXT"));
    EXPECT_FALSE(Extracted("B.TXT"));
    EXPECT_EQ(fixture.Form().folders.ChosenDir, "");
    EXPECT_EQ(final_caption, "100%");
}

TEST_F(UnpackDialogTest, NamesTheItemAndTheTargetInTheInterfaceLanguage) {
    UseArchive(FourFiles(), "4");
    fixture.Form().preferences.Language = 0;
    {
        TUnpackForm dialog(fixture.Form());
        EXPECT_EQ(dialog.PackLabel1->Caption(), "Installing Hra");
        EXPECT_EQ(dialog.PackLabel2->Caption(), "in");
        EXPECT_EQ(dialog.PackLabel3->Caption(), "C:\\GAMES\\X");
        EXPECT_EQ(dialog.size(), QSize(426, 166));
    }
    fixture.Form().preferences.Language = 2;
    TUnpackForm turkish(fixture.Form());
    EXPECT_EQ(turkish.PackLabel1->Caption(), "Hra'den");
    EXPECT_EQ(turkish.PackLabel2->Caption(), "C:\\GAMES\\X'e kuruluyor");
    EXPECT_EQ(turkish.PackLabel3->Caption(), "");
}

TEST(UnpackPercentage, RoundsHalvesToEvenAndNeverDividesByZero) {
    EXPECT_EQ(TUnpackForm::Percentage(4, 4), "0%");
    EXPECT_EQ(TUnpackForm::Percentage(1, 4), "75%");
    EXPECT_EQ(TUnpackForm::Percentage(7, 8), "12%"); // 12.5 rounds to the even 12
    EXPECT_EQ(TUnpackForm::Percentage(5, 8), "38%"); // 37.5 rounds to the even 38
    EXPECT_EQ(TUnpackForm::Percentage(0, 0), "100%");
}

} // namespace
} // namespace tavox
