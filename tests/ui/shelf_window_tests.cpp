// The shelf window driven by the keyboard alone, on a folder holding the sample CD as two issues.
#include "app/shelf_window.h"
#include "support/form_fixture.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>

#include <cstdlib>

namespace tavox {
namespace {

namespace fs = std::filesystem;

class ShelfWindowTest : public testing::Test {
protected:
    void SetUp() override {
        ::setenv("XDG_CACHE_HOME", (dir_ / "cache").c_str(), 1);
        fs::create_directories(shelf_);
        for (const auto& [name, issue] : {std::pair("a", "1298"), std::pair("b", "0399")}) {
            fs::copy(TAVOX_SAMPLE_CD, shelf_ / name, fs::copy_options::recursive);
            const fs::path catalogue = shelf_ / name / "TAVOX" / "TAVOX95.INI";
            std::string text = test::ReadFile(catalogue);
            text.replace(text.find("CD=1298"), 7, std::string("CD=") + issue);
            fs::permissions(catalogue, fs::perms::owner_write, fs::perm_options::add);
            test::WriteFile(catalogue, text);
        }
    }

    static void Press(QWidget* widget, int key, const QString& text = {}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QApplication::sendEvent(widget, &press);
    }

    static QStringList Rows(const QListWidget* list) {
        QStringList rows;
        for (int i = 0; i < list->count(); ++i) {
            rows << list->item(i)->text().section(QLatin1Char('\n'), 0, 0) + QStringLiteral(" / ") +
                        list->item(i)->text().section(QLatin1Char('\n'), 1, 1);
        }
        return rows;
    }

    test::TempDir dir_;
    fs::path shelf_ = dir_ / "shelf";
};

TEST_F(ShelfWindowTest, TypeToSearchArrowsAndEscape) {
    ShelfWindow window(shelf_, dir_ / "machine", {});
    window.show();
    auto* search = window.findChild<QLineEdit*>(QStringLiteral("ShelfSearch"));
    auto* list = window.findChild<QListWidget*>(QStringLiteral("ShelfList"));
    ASSERT_TRUE(search && list);
    ASSERT_TRUE(test::WaitUntil([list] { return list->count() == 2; }))
        << Rows(list).join(", ").toStdString();
    EXPECT_TRUE(Rows(list)[0].startsWith(QStringLiteral("12-98"))) << "sorted by issue";

    for (const QChar letter : QStringLiteral("hradby")) {
        Press(search, 0, letter);
    }
    EXPECT_EQ(Rows(list), QStringList({"HRADBY / 12-98  ·  Demos", "Hradby / 12-98  ·  Updates",
                                       "HRADBY / 3-99  ·  Demos", "Hradby / 3-99  ·  Updates"}));
    Press(search, Qt::Key_Down);
    Press(search, Qt::Key_Down);
    EXPECT_EQ(list->currentRow(), 2);

    Press(search, Qt::Key_Escape);
    EXPECT_EQ(search->text(), QString());
    EXPECT_EQ(list->count(), 2) << "the discs again";
    Press(search, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
}

} // namespace
} // namespace tavox
