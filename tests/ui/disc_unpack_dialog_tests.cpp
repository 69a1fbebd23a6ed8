// The progress dialog of a disc image's first start: it names the disc, counts up to the whole, and its
// Cancel leaves nothing in the cache.
#include "app/disc_unpack_dialog.h"

#include "support/disc_images.h"
#include "support/temp_dir.h"

#include <QApplication>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace tavox {
namespace {

namespace fs = std::filesystem;

class DiscUnpackDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::HaveXorriso()) {
            GTEST_SKIP() << "xorriso is not installed";
        }
        test::WriteFile(dir_ / "tree" / "TAVOX" / "TAVOX95.INI", "[Main]\r\n");
        test::WriteFile(dir_ / "tree" / "DATA.BIN", std::string(3 << 20, 'd'));
        ASSERT_TRUE(test::MakeIso(dir_ / "tree", dir_ / "disc.iso", "TAVOX_9905", {}));
        Result<DiscImage> opened = OpenDiscImage(dir_ / "disc.iso");
        ASSERT_TRUE(opened) << opened.Error().text;
        image_ = std::move(*opened);
    }

    // Runs the dialog; the disc's check waits until `on_dialog` has run on the dialog shown, so that what
    // the test does happens while the unpack is still under way.
    DiscCacheFill Run(const std::function<void(QProgressDialog&)>& on_dialog) {
        std::atomic<bool> done = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
            if (dialog != nullptr && !done) {
                on_dialog(*dialog);
                done = true;
            }
        });
        poll.start(5);
        const DiscCheck check = [&](const fs::path&) {
            while (!done) {
                std::this_thread::yield();
            }
            return std::optional<std::string>();
        };
        return RunDiscUnpackDialog(DiscCache(dir_ / "cache"), *image_, check);
    }

    bool CacheEmpty() const { return fs::is_empty(dir_ / "cache"); }

    test::TempDir dir_;
    std::optional<DiscImage> image_;
};

TEST_F(DiscUnpackDialogTest, NamesTheDiscAndKeepsItWhenDone) {
    QString label;
    const DiscCacheFill filled = Run([&](QProgressDialog& dialog) { label = dialog.labelText(); });
    EXPECT_EQ(filled.status, UnpackStatus::Done);
    EXPECT_TRUE(label.contains(QStringLiteral("TAVOX_9905"))) << label.toStdString();
    EXPECT_TRUE(fs::exists(filled.root / "DATA.BIN"));
}

TEST_F(DiscUnpackDialogTest, CancelLeavesNothingInTheCache) {
    const DiscCacheFill filled = Run([](QProgressDialog& dialog) {
        QPushButton* cancel = dialog.findChild<QPushButton*>();
        ASSERT_NE(cancel, nullptr);
        cancel->click();
    });
    EXPECT_EQ(filled.status, UnpackStatus::Cancelled);
    EXPECT_TRUE(CacheEmpty());
}

} // namespace
} // namespace tavox
