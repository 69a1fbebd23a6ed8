// The directory chooser over a main window on a temporary machine, driven by its components' names.
#include "app/form3_directory_chooser.h"

#include "support/form_fixture.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace tavox {
namespace {

namespace fs = std::filesystem;
using test::ModalScript;

std::string Edit(const TForm3& dialog) {
    return dialog.EditDir1->text().toStdString();
}

void Type(TForm3& dialog, const char* path) {
    dialog.EditDir1->setText(QString::fromLatin1(path));
}

QListWidgetItem* Entry(const TForm3& dialog, const std::string& path) {
    const QListWidget* list = dialog.DirectoryListBox1;
    for (int row = 0; row < list->count(); ++row) {
        if (list->item(row)->data(Qt::UserRole).toByteArray().toStdString() == path) {
            return list->item(row);
        }
    }
    return nullptr;
}

void DoubleClick(QListWidget* list, const QListWidgetItem* item) {
    QWidget* viewport = list->viewport();
    const QPointF at = list->visualItemRect(item).center();
    const QPointF global = viewport->mapToGlobal(at);
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                                    QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, at, global, Qt::LeftButton, held, Qt::NoModifier);
        QCoreApplication::sendEvent(viewport, &event);
    }
}

void PressKey(QWidget* widget, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &press);
}

void SelectDrive(TForm3& dialog, char letter) {
    dialog.DriveComboBox1->setCurrentIndex(
        dialog.DriveComboBox1->findData(QVariant(static_cast<int>(letter))));
}

class DirectoryChooserTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fixture_.Start());
        TForm1& form = Form();
        form.preferences.Language = 0;
        form.navigation.CurrentPage = PageKind::Demos;
        form.navigation.CurrentItem = 1;
        TDemos& demo = form.catalogue.Demos[1];
        demo.InstallDir = "D:\\DEMOS\\GAME";
        demo.InstallType = InstallType::ArchiveToChosenDir;
        Messages().shown.clear();
    }

    TForm1& Form() { return fixture_.Form(); }
    test::RecordingMessageBoxes& Messages() { return fixture_.Messages(); }
    bool HostDir(std::string_view path) { return fs::is_directory(fixture_.Machine().Host(path)); }

    // Opens the chooser, runs the script on it, and returns once it closed.
    void Choose(std::function<void(TForm3&)> script) {
        const ModalScript<TForm3> watch(std::move(script));
        Form().ShowDirectoryChooser();
        EXPECT_EQ(watch.Runs(), 1);
    }

    test::FormFixture fixture_;
};

TEST_F(DirectoryChooserTest, SuggestsTheDemosNameUnderTheChosenDirectory) {
    ASSERT_TRUE(fixture_.Machine().Get().Files().CreateDirectory("C:\\Programs"));
    ASSERT_TRUE(fixture_.Machine().Get().Files().CreateDirectory("C:\\Programs\\Old"));
    Choose([&](TForm3& dialog) {
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Directory selection"));
        EXPECT_EQ(dialog.size(), QSize(323, 199));
        EXPECT_EQ(Edit(dialog), "C:\\GAME");
        EXPECT_EQ(dialog.DriveComboBox1->currentText(), QStringLiteral("c:"));
        EXPECT_TRUE(dialog.OKButton->isEnabled());

        DoubleClick(dialog.DirectoryListBox1, Entry(dialog, "C:\\Programs"));
        EXPECT_EQ(dialog.DirectoryListBox1->Directory(), "C:\\Programs");
        EXPECT_EQ(Edit(dialog), "C:\\Programs\\GAME");

        // Enter opens an entry without confirming; the path back up is listed too.
        dialog.DirectoryListBox1->setCurrentItem(Entry(dialog, "C:\\Programs\\Old"));
        PressKey(dialog.DirectoryListBox1, Qt::Key_Return);
        EXPECT_EQ(Edit(dialog), "C:\\Programs\\Old\\GAME");
        EXPECT_TRUE(Messages().shown.empty());
        dialog.DirectoryListBox1->setCurrentItem(Entry(dialog, "C:\\"));
        PressKey(dialog.DirectoryListBox1, Qt::Key_Enter);
        EXPECT_EQ(Edit(dialog), "C:\\GAME");

        DoubleClick(dialog.DirectoryListBox1, Entry(dialog, "C:\\Programs"));
        dialog.OKButton->click();
    });
    ASSERT_EQ(Messages().shown.size(), 1U);
    EXPECT_EQ(Messages().shown[0].text,
              QStringLiteral("Would you like to install this demo in C:\\PROGRAMS\\GAME ?"));
    // As shown in the edit, not as the question upper-cased it.
    EXPECT_EQ(Form().folders.ChosenDir, "C:\\Programs\\GAME");
    EXPECT_TRUE(HostDir("C:\\Programs\\GAME"));
}

TEST_F(DirectoryChooserTest, ACdRomDriveCannotBeConfirmedAndADriveThatIsNotReadyIsRefused) {
    const fs::path root = fixture_.Machine().Root();
    fs::create_directories(root / "second-disk");
    ASSERT_TRUE(fixture_.Machine().Get().MapDrive('E', root / "second-disk", DriveType::Fixed));
    ASSERT_TRUE(fixture_.Machine().Get().MapDrive('F', root / "no-disc", DriveType::Removable));
    Choose([&](TForm3& dialog) {
        SelectDrive(dialog, 'D');
        EXPECT_FALSE(dialog.OKButton->isEnabled());
        EXPECT_EQ(Edit(dialog), "D:\\GAME");
        EXPECT_NE(Entry(dialog, "D:\\DEMOS"), nullptr);
        SelectDrive(dialog, 'E');
        EXPECT_TRUE(dialog.OKButton->isEnabled());
        EXPECT_EQ(Edit(dialog), "E:\\GAME");

        SelectDrive(dialog, 'F');
        ASSERT_EQ(Messages().shown.size(), 1U);
        EXPECT_EQ(Messages().shown[0].kind, MessageKind::Error);
        EXPECT_EQ(Messages().shown[0].text, QStringLiteral("Drive not ready!"));
        EXPECT_EQ(dialog.DriveComboBox1->currentText(), QStringLiteral("e:"));
        EXPECT_EQ(dialog.DirectoryListBox1->Directory(), "E:\\");
        EXPECT_TRUE(dialog.OKButton->isEnabled());
        dialog.CancelButton->click();
    });
    EXPECT_FALSE(fs::exists(root / "no-disc"));
}

TEST_F(DirectoryChooserTest, NoOrAFailureKeepsTheDialogOpenWithTheSuggestionBack) {
    Choose([&](TForm3& dialog) {
        Messages().answer = false;
        Type(dialog, "C:\\ELSEWHERE");
        dialog.OKButton->click();
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(Edit(dialog), "C:\\GAME");

        Messages().answer = true;
        Type(dialog, "Q:\\GAME");
        dialog.OKButton->click();
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(Edit(dialog), "C:\\GAME");
        ASSERT_EQ(Messages().shown.size(), 3U);
        EXPECT_EQ(Messages().shown[2].kind, MessageKind::Error);
        EXPECT_EQ(Messages().shown[2].text, QStringLiteral("Can''t create directory!"));

        // Enter presses OK; the trailing backslash goes.
        Type(dialog, "C:\\NEW\\DEEPER\\");
        PressKey(dialog.EditDir1, Qt::Key_Return);
    });
    EXPECT_FALSE(HostDir("C:\\ELSEWHERE"));
    EXPECT_EQ(Form().folders.ChosenDir, "C:\\NEW\\DEEPER");
    EXPECT_TRUE(HostDir("C:\\NEW\\DEEPER"));
}

TEST_F(DirectoryChooserTest, EveryWayOutWithoutOkEmptiesTheChoice) {
    const std::function<void(TForm3&)> ways[] = {
        [](TForm3& dialog) { dialog.CancelButton->click(); },
        [](TForm3& dialog) { PressKey(dialog.EditDir1, Qt::Key_Escape); },
        [](TForm3& dialog) { dialog.close(); }, // the close box
    };
    for (const auto& way : ways) {
        Form().folders.ChosenDir = "C:\\EARLIER";
        Choose(way);
        EXPECT_EQ(Form().folders.ChosenDir, "");
    }
    EXPECT_TRUE(Messages().shown.empty());
}

TEST_F(DirectoryChooserTest, AForcedDirectoryIsConfirmedAsSoonAsTheDialogShows) {
    TDemos& demo = Form().catalogue.Demos[1];
    demo.InstallType = InstallType::ArchiveToForcedDir;
    demo.InstallParam = "C:\\Sierra\\Forced";
    Form().ShowDirectoryChooser(); // nobody touches it
    ASSERT_EQ(Messages().shown.size(), 1U);
    EXPECT_EQ(Messages().shown[0].text,
              QStringLiteral("Would you like to install this demo in C:\\SIERRA\\FORCED ?"));
    EXPECT_EQ(Form().folders.ChosenDir, "C:\\Sierra\\Forced");
    EXPECT_TRUE(HostDir("C:\\Sierra\\Forced"));

    // Answered No, it asks no more and cannot be changed.
    Messages().answer = false;
    Choose([&](TForm3& dialog) {
        ASSERT_TRUE(test::WaitUntil([&] { return Messages().shown.size() == 2; }));
        EXPECT_TRUE(dialog.EditDir1->isReadOnly());
        EXPECT_FALSE(dialog.DirectoryListBox1->isEnabled());
        EXPECT_FALSE(dialog.DriveComboBox1->isEnabled());
        EXPECT_EQ(Edit(dialog), "C:\\Sierra\\Forced");
        dialog.CancelButton->click();
    });
    EXPECT_EQ(Messages().shown.size(), 2U);
}

TEST_F(DirectoryChooserTest, AReadersItemIsAskedForInTheDialogsLanguage) {
    Form().navigation.CurrentPage = PageKind::Readers;
    Form().catalogue.Readers[1].InstallDir = "D:\\Readers\\HADI";
    Form().preferences.Language = 1;
    Choose([&](TForm3& dialog) {
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Kam chcete instalovat?"));
        EXPECT_EQ(Edit(dialog), "C:\\HADI");
        dialog.OKButton->click();
    });
    ASSERT_EQ(Messages().shown.size(), 1U);
    EXPECT_EQ(Messages().shown[0].text, QStringLiteral("Chcete nainstalovat tento program do C:\\HADI ?"));
    EXPECT_EQ(Form().folders.ChosenDir, "C:\\HADI");
}

} // namespace
} // namespace tavox
