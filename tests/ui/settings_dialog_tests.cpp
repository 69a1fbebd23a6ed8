// The settings dialog over a real main window on a temporary machine, driven by its widgets' names.
#include "app/form4_settings.h"

#include "app/form1.h"
#include "catalogue/path_helpers.h"
#include "installer/launcher.h"
#include "media/sound_output.h"
#include "support/form_fixture.h"

#include <QApplication>
#include <QCheckBox>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QRadioButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>

namespace tavox {
namespace {

using test::ReadFile;
using test::WaitUntil;

void Hover(QWidget* widget) {
    QMouseEvent move(QEvent::MouseMove, QPointF(1, 1), widget->mapToGlobal(QPointF(1, 1)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &move);
}

void Click(QWidget* widget) {
    const QPointF at(1, 1);
    QMouseEvent press(QEvent::MouseButtonPress, at, widget->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, widget->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &press);
    QCoreApplication::sendEvent(widget, &release);
}

void Key(QWidget* widget, QEvent::Type type, int key) {
    QKeyEvent event(type, key, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

template <typename T> T* Find(QWidget* dialog, const char* name) {
    return dialog->findChild<T*>(QString::fromLatin1(name));
}

// The corners of the one-pixel frame drawn around a label's frame rectangle.
std::vector<QPoint> FramePixels(const QWidget* label) {
    const QRect g = label->geometry();
    const int left = g.left() - 2;
    const int right = g.left() + g.width() + 1;
    return {{left, g.top() - 1}, {right, g.top() - 1}, {left, g.bottom() + 1}, {right, g.bottom() + 1}};
}

// No Windows runner and no document opener: only host stand-ins are started.
ProcessConfig HostProgramsOnly() {
    ProcessConfig config;
    config.runner = std::string();
    config.opener = std::string("true");
    return config;
}

class SettingsDialogTest : public testing::Test {
protected:
    // Starts the menu on an edition (the catalogue's Version) and waits for the demos page.
    TForm1& Start(int edition, int depth = 24) {
        machine_.Write("D:\\TAVOX\\TAVOX95.INI", "[Main]\r\nCD=1298\r\nVersion=" + std::to_string(edition) +
                                                     "\r\nDemos=1\r\nShareware=1\r\nMovies=1\r\n[Demo1]\r\n"
                                                     "Name=Alpha\r\n[Share1]\r\nName=Tool\r\n");
        machine_.Write("C:\\WINDOWS\\SYSTEM\\DDRAW.DLL", "");
        machine_.Write("C:\\WINDOWS\\SYSTEM\\DPLAYX.DLL", "");
        form_ = std::make_unique<TForm1>(FormServices{machine_.Get(), launcher_, sound_, messages_},
                                         StartupOptions{"A", "D:\\TAVOX\\TAVOX95.EXE", depth, 1024});
        EXPECT_TRUE(form_->FormCreate());
        form_->show();
        EXPECT_TRUE(WaitUntil([this] { return form_->navigation.FocusZone == FocusZone::List; }));
        return *form_;
    }

    // Opens the dialog from the Settings label and runs `script` in it once it shows; the script closes it.
    void OpenSettings(const std::function<void(TForm4&)>& script) {
        WhenOpen(script);
        Click(form_->SetupLabel);
        EXPECT_EQ(opened_, 1);
    }

    // Arms `script` for the next opening, however it comes about.
    void WhenOpen(std::function<void(TForm4&)> script) {
        opened_ = 0;
        watch_ = std::make_unique<QTimer>();
        QObject::connect(watch_.get(), &QTimer::timeout, [this, script = std::move(script)] {
            auto* dialog = dynamic_cast<TForm4*>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isVisible() || opened_ > 0) {
                return;
            }
            ++opened_;
            script(*dialog);
            if (dialog->isVisible()) {
                ADD_FAILURE() << "the script left the dialog open";
                dialog->SetupLabelOKClick();
            }
        });
        watch_->start(1);
    }

    void WriteMain(std::string_view key, int value) {
        EXPECT_TRUE(machine_.Settings().WriteInteger("Main", key, value));
    }
    int ReadMain(std::string_view key) { return machine_.Settings().ReadInteger("Main", key, -1); }

    test::TestMachine machine_;
    Launcher launcher_{machine_.Get(), HostProgramsOnly(), [this](std::string_view command) {
                           return CommandDir(machine_.Get().Files(), command);
                       }};
    RecordingSoundOutput sound_;
    test::RecordingMessageBoxes messages_;
    std::unique_ptr<QTimer> watch_;
    int opened_ = 0;
    std::unique_ptr<TForm1> form_;
};

TEST(SettingsDialogRules, OpensAt240By79InsideACentredMainWindowHalvesToEven) {
    EXPECT_EQ(SettingsDialogPlacement(true, 1024, 768), QPoint(240, 79));
    EXPECT_EQ(SettingsDialogPlacement(false, 640, 480), QPoint(240, 79));
    EXPECT_EQ(SettingsDialogPlacement(false, 1024, 768), QPoint(432, 223));
    EXPECT_EQ(SettingsDialogPlacement(false, 641, 481), QPoint(240, 79)); // 0.5 goes to 0
    EXPECT_EQ(SettingsDialogPlacement(false, 643, 483), QPoint(242, 81)); // 1.5 goes to 2
}

TEST(SettingsDialogRules, LocalLanguageIsNamedAfterTheEdition) {
    EXPECT_EQ(LocalLanguageName(1), "\xC8"
                                    "esky");
    EXPECT_EQ(LocalLanguageName(2), "T\xFCrk\xE7"
                                    "e");
    EXPECT_EQ(LocalLanguageName(3), "Romanian");
    EXPECT_EQ(LocalLanguageName(4), LocalLanguageName(1));
}

TEST_F(SettingsDialogTest, FirstStartForcesTheLanguageChoiceWithoutCancelAndStoresIt) {
    WhenOpen([this](TForm4& dialog) {
        EXPECT_EQ(dialog.SetupLang1->DisplayText(), QStringLiteral("Türkçe"));
        EXPECT_TRUE(dialog.SetupRad1->isChecked());
        for (const char* shown : {"SetupLang1", "SetupLang2", "SetupRad1", "SetupRad2", "SetupLabelOK"}) {
            EXPECT_TRUE(Find<QWidget>(&dialog, shown)->isVisible()) << shown;
        }
        for (const char* hidden : {"SetupLabel1", "SetupCheck1", "SetupXENGLabel", "SetupXCZLabel",
                                   "SetupLabel2", "SetupCheck2", "SetupAnimation"}) {
            EXPECT_FALSE(Find<QWidget>(&dialog, hidden)->isVisible()) << hidden;
        }
        for (int n = 1; n <= 9; ++n) {
            EXPECT_EQ(form_->SectionLabel(n)->Caption(), "") << n;
        }
        Key(&dialog, QEvent::KeyPress, Qt::Key_Escape);
        Key(&dialog, QEvent::KeyRelease, Qt::Key_Escape);
        EXPECT_TRUE(dialog.isVisible());
        Click(dialog.SetupLabelOK);
    });
    TForm1& form = Start(2);
    EXPECT_EQ(opened_, 1);
    EXPECT_EQ(ReadMain("Language2"), 2); // stored although the choice was left as offered
    EXPECT_EQ(form.navigation.Locked, 0);
    EXPECT_EQ(form.preferences.FontCharset, 162);
    EXPECT_EQ(form.RunButton->DisplayText(), QStringLiteral("Çalıştır"));
    EXPECT_EQ(form.SectionLabel(1)->DisplayText(), QStringLiteral("Demolar"));
    EXPECT_EQ(form.navigation.CurrentPage, PageKind::Demos);
}

TEST_F(SettingsDialogTest, EnglishChosenAtTheFirstStartIsNotAskedAgain) {
    WhenOpen([](TForm4& dialog) {
        Click(dialog.SetupLang2);
        Click(dialog.SetupLabelOK);
    });
    Start(1);
    EXPECT_EQ(ReadMain("Language2"), 0);
    EXPECT_EQ(form_->SetupLabel->Caption(), "Settings");

    form_.reset();
    WhenOpen([](TForm4& dialog) { dialog.SetupLabelOKClick(); });
    Start(1);
    EXPECT_EQ(opened_, 0);
    EXPECT_EQ(form_->preferences.Language, 0);
}

TEST_F(SettingsDialogTest, ChoosingTheLocalLanguageRebuildsTheScreenAndShowsTheFirstSection) {
    WriteMain("Language2", 0);
    TForm1& form = Start(2);
    form.MainButtonClick(2);
    ASSERT_EQ(form.navigation.CurrentPage, PageKind::Shareware);
    OpenSettings([](TForm4& dialog) {
        EXPECT_TRUE(dialog.SetupRad2->isChecked());
        Click(dialog.SetupLang1);
        EXPECT_TRUE(dialog.SetupRad1->isChecked());
        Click(dialog.SetupLabelOK);
    });
    EXPECT_EQ(ReadMain("Language2"), 2);
    EXPECT_EQ(form.SetupLabel->DisplayText(), QStringLiteral("Ayarlar"));
    EXPECT_EQ(form.navigation.CurrentPage, PageKind::Demos);
    EXPECT_EQ(form.navigation.ActiveButton, 1);
}

TEST_F(SettingsDialogTest, ClosingUnchangedWritesNothingAndKeepsThePage) {
    WriteMain("Language2", 0);
    TForm1& form = Start(1);
    form.MainButtonClick(2);
    const std::string before = ReadFile(machine_.Host("C:\\WINDOWS\\tavox.ini"));
    OpenSettings([](TForm4& dialog) {
        for (const char* shown : {"SetupLabel1", "SetupCheck1", "SetupXENGLabel"}) {
            EXPECT_TRUE(Find<QWidget>(&dialog, shown)->isVisible()) << shown;
        }
        Click(dialog.SetupLabelOK);
    });
    EXPECT_EQ(ReadFile(machine_.Host("C:\\WINDOWS\\tavox.ini")), before);
    EXPECT_EQ(form.navigation.CurrentPage, PageKind::Shareware);
}

TEST_F(SettingsDialogTest, FullScreenLabelTogglesTheDisabledBoxButTheChoiceIsDropped) {
    WriteMain("Language2", 1);
    WriteMain("FullScreen", 1);
    TForm1& form = Start(1);
    OpenSettings([](TForm4& dialog) {
        EXPECT_EQ(dialog.pos(), QPoint(240, 79));
        EXPECT_TRUE(dialog.SetupCheck1->isChecked());
        EXPECT_FALSE(dialog.SetupCheck1->isEnabled());
        Click(dialog.SetupLabel1);
        EXPECT_FALSE(dialog.SetupCheck1->isChecked());
        Click(dialog.SetupLabel1);
        EXPECT_TRUE(dialog.SetupCheck1->isChecked());
        Click(dialog.SetupLabelOK);
    });
    EXPECT_EQ(form.preferences.FullScreen, 0);
    form.FormDestroy();
    EXPECT_EQ(ReadMain("FullScreen"), 0);
}

TEST_F(SettingsDialogTest, EveryWayOfClosingAppliesTheChoice) {
    WriteMain("Language2", 1);
    TForm1& form = Start(1);
    const std::vector<std::function<void(TForm4&)>> closers = {
        [](TForm4& dialog) { Key(&dialog, QEvent::KeyRelease, Qt::Key_Return); },
        [](TForm4& dialog) { Key(dialog.SetupRad1, QEvent::KeyRelease, Qt::Key_Enter); },
        [](TForm4& dialog) { Key(dialog.SetupRad2, QEvent::KeyRelease, Qt::Key_Return); },
        [](TForm4& dialog) { dialog.close(); }, // the window manager's close
    };
    int expected = 1;
    for (std::size_t i = 0; i < closers.size(); ++i) {
        expected = expected == 0 ? 1 : 0;
        OpenSettings([&](TForm4& dialog) {
            Click(expected == 0 ? dialog.SetupLang2 : dialog.SetupLang1);
            closers[i](dialog);
            EXPECT_FALSE(dialog.isVisible()) << i;
        });
        EXPECT_EQ(form.preferences.Language, expected) << i;
        EXPECT_EQ(ReadMain("Language2"), expected) << i;
    }
}

TEST_F(SettingsDialogTest, DirectXInstallerStartsFromTheCdAndTheDialogStaysOpen) {
    WriteMain("Language2", 1);
    const std::filesystem::path marker = machine_.Root() / "dx-started";
    const std::filesystem::path installer = machine_.Host("D:\\Drivers\\DirectX\\dx5eng.EXE");
    test::WriteFile(installer, "#!/bin/sh\ntouch '" + marker.string() + "'\n");
    std::filesystem::permissions(installer, std::filesystem::perms::owner_exec,
                                 std::filesystem::perm_options::add);
    Start(1);
    const std::size_t messages = messages_.shown.size();
    OpenSettings([&](TForm4& dialog) {
        Click(dialog.SetupXENGLabel);
        EXPECT_TRUE(WaitUntil([&] { return std::filesystem::exists(marker); }));
        EXPECT_TRUE(dialog.isVisible());
        // A CD without the installer: nothing is said.
        std::filesystem::remove(installer);
        Click(dialog.SetupXENGLabel);
        EXPECT_TRUE(dialog.isVisible());
        Click(dialog.SetupLabelOK);
    });
    EXPECT_EQ(messages_.shown.size(), messages);
}

TEST_F(SettingsDialogTest, CursorFrameIsDrawnWhiteAndErasedToThePicture) {
    WriteMain("Language2", 1);
    Start(1);
    const auto check = [](TForm4& dialog) {
        const QImage before = dialog.grab().toImage();
        Hover(dialog.SetupLabelOK);
        EXPECT_EQ(dialog.CursorNumber(), SetupCursor::OK);
        QImage now = dialog.grab().toImage();
        for (const QPoint p : FramePixels(dialog.SetupLabelOK)) {
            EXPECT_EQ(now.pixel(p), 0xFFFFFFFFu) << p.x() << "," << p.y();
        }
        Hover(dialog.SetupLang2);
        Hover(dialog.PaintBox1);
        EXPECT_EQ(dialog.CursorNumber(), SetupCursor::None);
        now = dialog.grab().toImage();
        for (const QWidget* label : {dialog.SetupLabelOK, dialog.SetupLang2}) {
            for (const QPoint p : FramePixels(label)) {
                EXPECT_EQ(now.pixel(p), before.pixel(p)) << p.x() << "," << p.y();
            }
        }
        dialog.SetupLabelOKClick();
    };
    OpenSettings([&](TForm4& dialog) {
        const QImage kola(QStringLiteral(":/KOLA"));
        if (!kola.isNull()) {
            EXPECT_EQ(dialog.grab().toImage().pixel(100, 120), kola.pixel(100, 120));
        }
        check(dialog);
    });
    OpenSettings(check); // a new dialog starts without a framed label
}

TEST_F(SettingsDialogTest, At256ColoursTheDialogIsBlackAndFramesAreErasedBlack) {
    WriteMain("Language2", 1);
    WriteMain("LowColorWarning", 1);
    Start(1, 8);
    OpenSettings([](TForm4& dialog) {
        EXPECT_FALSE(dialog.SetupImage->HasPicture());
        EXPECT_EQ(dialog.SetupRad1->palette().color(QPalette::Window), QColor(Qt::black));
        Hover(dialog.SetupLang1);
        Hover(dialog.SetupImage);
        const QImage now = dialog.grab().toImage();
        for (const QPoint p : FramePixels(dialog.SetupLang1)) {
            EXPECT_EQ(now.pixel(p), 0xFF000000u) << p.x() << "," << p.y();
        }
        EXPECT_EQ(now.pixel(120, 120), 0xFF000000u);
        dialog.SetupLabelOKClick();
    });
}

} // namespace
} // namespace tavox
