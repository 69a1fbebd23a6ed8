// The full-screen screenshot viewer over a real main window, with picture series written to a CD in drive E:.
#include "app/form2_viewer.h"

#include "app/form1.h"
#include "resources/resource_names.h"
#include "support/form_fixture.h"
#include "support/jpeg_encoder.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>

#include <jerror.h>

namespace tavox {
namespace {

// Picture n of a series is told apart by its width; the small view halves it, still distinct.
int WidthOf(int n) {
    return 160 + 16 * n;
}
constexpr QRgb kPictureColour = 0xFFC83C28;

std::string Jpeg(int n) {
    const auto jpeg = test::EncodeJpeg(WidthOf(n), 120, [](int, int) {
        return test::JpegColour{qRed(kPictureColour), qGreen(kPictureColour), qBlue(kPictureColour), 0};
    });
    return std::string(reinterpret_cast<const char*>(jpeg.data()), jpeg.size());
}

// Close enough for a JPEG of one flat colour.
bool Near(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b)) < 16;
}

void Click(QWidget* target, Qt::MouseButton button = Qt::LeftButton) {
    const QPointF at(target->width() / 2, target->height() / 2);
    QMouseEvent press(QEvent::MouseButtonPress, at, target->mapToGlobal(at), button, button, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, target->mapToGlobal(at), button, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QApplication::sendEvent(target, &release);
}

void KeyUp(QWidget* target, int key, QEvent::Type type = QEvent::KeyRelease, bool auto_repeat = false) {
    QKeyEvent event(type, key, Qt::NoModifier, QString(), auto_repeat);
    QApplication::sendEvent(target, &event);
}

// Whether the control shows cursor `number` of the cursor table.
bool ShowsCursor(const QWidget* control, int number) {
    const std::optional<QCursor> cursor = RegisteredCursor(number);
    return cursor && control->testAttribute(Qt::WA_SetCursor) &&
           control->cursor().hotSpot() == cursor->hotSpot() &&
           control->cursor().pixmap().toImage() == cursor->pixmap().toImage();
}

class ViewerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fixture.Start());
        const std::filesystem::path cd = fixture.Machine().Root() / "pictures";
        std::filesystem::create_directories(cd);
        ASSERT_TRUE(fixture.Machine().Get().MapDrive('E', cd, DriveType::CdRom));
        form().folders.CdMenuDir = "E:\\TAVOX\\";
        form().navigation.CurrentPage = PageKind::Demos;
        form().navigation.CurrentItem = 1;
        form().catalogue.Demos[1].Picture = "SHOTS\\GAME";
        form().navigation.PictureNumber = 1;
        fixture.Messages().shown.clear();
        fixture.Sound().Clear();
    }

    TForm1& form() { return fixture.Form(); }
    void Write(int n, const std::string& bytes, const char* base = "SHOTS\\GAME") {
        fixture.Machine().Write(
            std::string("E:\\TAVOX\\") + base + (n < 10 ? "0" : "") + std::to_string(n) + ".JPG", bytes);
    }
    void WriteSeries(int count) {
        for (int n = 1; n <= count; ++n) {
            Write(n, Jpeg(n));
        }
    }
    std::unique_ptr<TForm2> Open(int number) {
        form().navigation.PictureNumber = static_cast<std::uint8_t>(number);
        return std::make_unique<TForm2>(form());
    }
    static int Shown(const TForm2& viewer) { return (viewer.BigImage->Image().width() - WidthOf(0)) / 16; }
    // How many sounds were played, each of them checked to be "NO".
    int NoSounds() {
        for (const std::vector<std::byte>& played : fixture.Sound().Played()) {
            EXPECT_EQ(static_cast<std::int64_t>(played.size()), resources::kSoundNoBytes);
        }
        return static_cast<int>(fixture.Sound().Played().size());
    }

    test::FormFixture fixture;
};

TEST_F(ViewerTest, ABorderlessBlackWindowCarriesThePictureCentredUnderThreeClickAreas) {
    WriteSeries(3);
    const auto viewer = Open(2);
    viewer->show();
    EXPECT_EQ(viewer->objectName(), QStringLiteral("Form2"));
    EXPECT_TRUE(viewer->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(viewer->size(), QSize(640, 480));
    // Centred on the screen the main window measured (1024 wide here), not over the main window.
    EXPECT_EQ(viewer->pos(), QPoint(192, (QGuiApplication::primaryScreen()->geometry().height() - 480) / 2));
    const QObjectList& children = viewer->children();
    int previous = -1;
    const std::pair<const char*, QRect> controls[] = {{"BigImage", QRect(0, 0, 640, 480)},
                                                      {"Image1", QRect(0, 0, 640, 41)},
                                                      {"Image2", QRect(0, 41, 77, 438)},
                                                      {"Image3", QRect(564, 41, 77, 438)}};
    for (const auto& [name, bounds] : controls) {
        const auto* control = viewer->findChild<ImageBox*>(QString::fromLatin1(name));
        ASSERT_NE(control, nullptr) << name;
        EXPECT_EQ(control->geometry(), bounds) << name;
        EXPECT_GT(children.indexOf(control), previous) << name << " lies above the one before";
        previous = static_cast<int>(children.indexOf(control));
    }
    // Picture 2 (192×120) at its own size in the middle, black around it.
    EXPECT_EQ(Shown(*viewer), 2);
    const QImage screen = viewer->grab().toImage();
    for (const QPoint corner : {QPoint(224, 180), QPoint(415, 299)}) {
        EXPECT_TRUE(Near(screen.pixel(corner), kPictureColour)) << corner.x() << "," << corner.y();
        EXPECT_EQ(screen.pixel(corner.x() + (corner.x() < 320 ? -2 : 2), corner.y()), qRgb(0, 0, 0));
        EXPECT_EQ(screen.pixel(corner.x(), corner.y() + (corner.y() < 240 ? -2 : 2)), qRgb(0, 0, 0));
    }
    EXPECT_TRUE(fixture.Messages().shown.empty());
}

TEST_F(ViewerTest, TheCursorsAreInTheTableOnlyWhileAViewerExists) {
    WriteSeries(1);
    for (int number = 11; number <= 15; ++number) {
        EXPECT_FALSE(RegisteredCursor(number)) << number;
    }
    auto viewer = Open(1);
    const std::pair<int, QPoint> hot_spots[] = {
        {11, {6, 13}}, {12, {6, 13}}, {13, {20, 15}}, {14, {14, 10}}, {15, {14, 10}}};
    for (const auto& [number, hot_spot] : hot_spots) {
        ASSERT_TRUE(RegisteredCursor(number)) << number;
        EXPECT_EQ(RegisteredCursor(number)->hotSpot(), hot_spot) << number;
    }
    EXPECT_TRUE(ShowsCursor(viewer->Image1, 15));
    EXPECT_NE(RegisteredCursor(11)->pixmap().toImage(), RegisteredCursor(12)->pixmap().toImage());
    viewer->Image1Click();
    EXPECT_FALSE(RegisteredCursor(11));
    viewer.reset();
    // A viewer that goes away without being closed leaves nothing behind either.
    Open(1).reset();
    EXPECT_FALSE(RegisteredCursor(15));
}

TEST_F(ViewerTest, ThePointersAtOpeningTellWhetherThereIsAPreviousAndANextPicture) {
    struct Case {
        int count, number, image2, image3;
    };
    for (const Case c : {Case{3, 1, 12, 13}, Case{3, 2, 11, 13}, Case{3, 3, 11, 14}, Case{1, 1, 12, 14}}) {
        std::filesystem::remove_all(fixture.Machine().Root() / "pictures");
        WriteSeries(c.count);
        const auto viewer = Open(c.number);
        EXPECT_TRUE(ShowsCursor(viewer->Image2, c.image2)) << c.count << "/" << c.number;
        EXPECT_TRUE(ShowsCursor(viewer->Image3, c.image3)) << c.count << "/" << c.number;
    }
}

TEST_F(ViewerTest, EveryWayStepsThroughTheSeriesAcrossNineToTenAndTheLastRefusesWithNo) {
    WriteSeries(10);
    const auto viewer = Open(6);
    viewer->show();
    viewer->Image3Click();
    KeyUp(viewer.get(), Qt::Key_Right);
    Click(viewer->BigImage, Qt::LeftButton);
    Click(viewer->BigImage, Qt::MiddleButton);
    EXPECT_EQ(Shown(*viewer), 10);
    EXPECT_TRUE(ShowsCursor(viewer->Image2, 11));
    EXPECT_TRUE(ShowsCursor(viewer->Image3, 14));
    EXPECT_EQ(NoSounds(), 0);

    viewer->Image3Click();
    KeyUp(viewer.get(), Qt::Key_Right);
    Click(viewer->BigImage);
    EXPECT_EQ(NoSounds(), 3);
    EXPECT_EQ(form().navigation.PictureNumber, 10);
    EXPECT_TRUE(viewer->isVisible());

    viewer->Image2Click();
    KeyUp(viewer.get(), Qt::Key_Left);
    EXPECT_EQ(Shown(*viewer), 8);
    EXPECT_TRUE(ShowsCursor(viewer->Image2, 11));
    EXPECT_TRUE(ShowsCursor(viewer->Image3, 13));
    EXPECT_TRUE(fixture.Messages().shown.empty());
}

TEST_F(ViewerTest, ItClosesOnKeyReleaseOfEscapeOrUpOnTheRightButtonAndOnTheTopStripOnly) {
    WriteSeries(2);
    const std::function<void(TForm2&)> ways[] = {
        [](TForm2& v) { KeyUp(&v, Qt::Key_Escape); }, [](TForm2& v) { KeyUp(&v, Qt::Key_Up); },
        [](TForm2& v) { Click(v.BigImage, Qt::RightButton); }, [](TForm2& v) { Click(v.Image1); }};
    for (const auto& close : ways) {
        const auto viewer = Open(1);
        viewer->show();
        KeyUp(viewer.get(), Qt::Key_Escape, QEvent::KeyPress);
        EXPECT_TRUE(viewer->isVisible()) << "closed as Escape went down";
        close(*viewer);
        EXPECT_FALSE(viewer->isVisible());
    }
    const auto viewer = Open(1);
    viewer->show();
    for (const int key : {Qt::Key_Down, Qt::Key_Return, Qt::Key_Space, Qt::Key_A}) {
        KeyUp(viewer.get(), key);
    }
    // A held key sends repeated releases as well; they do not step.
    KeyUp(viewer.get(), Qt::Key_Right, QEvent::KeyRelease, true);
    EXPECT_EQ(form().navigation.PictureNumber, 1);
    Click(viewer->Image3, Qt::RightButton);
    Click(viewer->Image2, Qt::RightButton);
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_EQ(form().navigation.PictureNumber, 1);
    EXPECT_EQ(NoSounds(), 0);
}

TEST_F(ViewerTest, OnlyTheEndOfADecodeMakesTheViewerReadyForTheNextStep) {
    WriteSeries(2);
    const auto viewer = Open(1);
    viewer->PictureReady = 0;
    viewer->ProgressProc(JpegStage::Starting);
    viewer->ProgressProc(JpegStage::Running);
    viewer->Image3Click();
    EXPECT_EQ(NoSounds(), 1);
    viewer->ProgressProc(JpegStage::Ending);
    viewer->Image3Click();
    EXPECT_EQ(Shown(*viewer), 2);
}

TEST_F(ViewerTest, ADamagedPictureIsReportedAndEveryLaterStepOnlyPlaysNoUntilClosed) {
    WriteSeries(3);
    Write(2, "not a picture");
    const auto viewer = Open(1);
    viewer->show();
    viewer->Image3Click();
    ASSERT_EQ(fixture.Messages().shown.size(), 1U);
    EXPECT_EQ(fixture.Messages().shown[0].kind, MessageKind::Error);
    EXPECT_EQ(fixture.Messages().shown[0].text, QStringLiteral("JPEG error #%1").arg(JERR_NO_SOI));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(form().navigation.PictureNumber, 2);
    // The failed step ends with the error: the pointers still say where picture 1 stood.
    EXPECT_TRUE(ShowsCursor(viewer->Image2, 12));

    viewer->Image3Click();
    viewer->Image2Click();
    KeyUp(viewer.get(), Qt::Key_Right);
    KeyUp(viewer.get(), Qt::Key_Left);
    EXPECT_TRUE(ShowsCursor(viewer->Image3, 13));
    Click(viewer->BigImage);
    // A refused step from the picture itself also says that there is no way forward.
    EXPECT_TRUE(ShowsCursor(viewer->Image3, 14));
    EXPECT_EQ(NoSounds(), 5);
    EXPECT_EQ(form().navigation.PictureNumber, 2);
    EXPECT_EQ(fixture.Messages().shown.size(), 1U);
    KeyUp(viewer.get(), Qt::Key_Escape);
    EXPECT_FALSE(viewer->isVisible());
}

// A failed load ends the step: the small view keeps the picture it showed and its marks.
TEST_F(ViewerTest, ASmallPictureThatFailsToLoadLeavesTheSmallViewAsItWas) {
    WriteSeries(3);
    Write(2, "not a picture");
    ASSERT_TRUE(form().LoadSmallPicture("SHOTS\\GAME"));
    ASSERT_FALSE(form().LeftSpot->isVisible());
    ASSERT_TRUE(form().RightSpot->isVisible());
    form().RightSpot2Click();
    ASSERT_EQ(fixture.Messages().shown.size(), 1U);
    EXPECT_EQ(fixture.Messages().shown[0].text, QStringLiteral("JPEG error #%1").arg(JERR_NO_SOI));
    EXPECT_EQ(form().paint.WorkBitmap.width(), WidthOf(1) / 2);
    EXPECT_FALSE(form().LeftSpot->isVisible()) << "no way back from a picture never shown";

    // The same when the viewer closes on a picture that cannot be read any more.
    form().navigation.PictureNumber = 1;
    ASSERT_TRUE(form().LoadSmallPicture("SHOTS\\GAME"));
    const auto viewer = Open(3);
    Write(3, "not a picture");
    KeyUp(viewer.get(), Qt::Key_Escape);
    EXPECT_EQ(fixture.Messages().shown.size(), 2U);
    EXPECT_EQ(form().paint.WorkBitmap.width(), WidthOf(1) / 2);
    EXPECT_FALSE(form().LeftSpot->isVisible());
}

TEST_F(ViewerTest, AFirstPictureBitmapThatIsNoBitmapIsReportedAndNotKept) {
    WriteSeries(2);
    form().navigation.PictureNumber = 2;
    ASSERT_TRUE(form().LoadSmallPicture("SHOTS\\GAME"));
    const std::string bitmap = "E:\\TAVOX\\RGB\\SHOTS\\GAME01.BMP";
    fixture.Machine().Write(bitmap, "BM not a bitmap");
    form().catalogue.Demos[1].PictureCached = 0; // the sample CD's first demo was shown at start-up
    form().navigation.PictureNumber = 1;
    EXPECT_FALSE(form().LoadSmallPicture("SHOTS\\GAME"));
    ASSERT_EQ(fixture.Messages().shown.size(), 1U);
    EXPECT_EQ(fixture.Messages().shown[0].kind, MessageKind::Error);
    EXPECT_EQ(fixture.Messages().shown[0].text, QStringLiteral("Bitmap image is not valid"));
    EXPECT_EQ(form().paint.WorkBitmap.width(), WidthOf(2) / 2) << "the picture shown before stays";

    // Once the file is readable, the picture shows: nothing empty was kept for the demo.
    QImage picture(200, 150, QImage::Format_RGB32);
    picture.fill(kPictureColour);
    picture.save(QString::fromStdString(fixture.Machine().Host(bitmap).string()), "BMP");
    EXPECT_TRUE(form().LoadSmallPicture("SHOTS\\GAME"));
    EXPECT_EQ(form().paint.WorkBitmap.size(), QSize(200, 150));
}

TEST_F(ViewerTest, AMissingPictureIsReportedByItsWindowsPathAndAViewerStillOpens) {
    Write(2, Jpeg(2));
    const auto viewer = Open(1);
    ASSERT_EQ(fixture.Messages().shown.size(), 1U);
    EXPECT_EQ(fixture.Messages().shown[0].text,
              QStringLiteral("Cannot open file E:\\TAVOX\\SHOTS\\GAME01.JPG"));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    KeyUp(viewer.get(), Qt::Key_Right);
    EXPECT_EQ(NoSounds(), 1);
}

TEST_F(ViewerTest, ATruncatedPictureShowsWhatWasDecodedAndBrowsingGoesOn) {
    WriteSeries(2);
    const std::string whole = Jpeg(1);
    Write(1, whole.substr(0, whole.size() * 2 / 3));
    const auto viewer = Open(1);
    EXPECT_EQ(Shown(*viewer), 1);
    KeyUp(viewer.get(), Qt::Key_Right);
    EXPECT_EQ(Shown(*viewer), 2);
    EXPECT_TRUE(fixture.Messages().shown.empty());
}

TEST_F(ViewerTest, AnItemWithoutPicturesOpensBlackAndRefusesEveryStep) {
    WriteSeries(2);
    form().catalogue.Demos[1].Picture = "NUL";
    const auto viewer = Open(1);
    viewer->show();
    EXPECT_EQ(viewer->grab().toImage().pixel(320, 240), qRgb(0, 0, 0));
    KeyUp(viewer.get(), Qt::Key_Right);
    KeyUp(viewer.get(), Qt::Key_Left);
    Click(viewer->BigImage);
    EXPECT_EQ(NoSounds(), 3);
    KeyUp(viewer.get(), Qt::Key_Escape);
    EXPECT_FALSE(viewer->isVisible());
    EXPECT_TRUE(fixture.Messages().shown.empty());
}

TEST_F(ViewerTest, ClosingHandsTheSmallViewThePictureLastSeenFromSixteenBitsUp) {
    struct Case {
        int depth, small_after, left, right;
    };
    // Below 16 bits the small view starts again at the first picture; at 256 colours without arrows.
    for (const Case c : {Case{8, 1, false, false}, Case{15, 1, false, true}, Case{16, 3, true, true},
                         Case{24, 3, true, true}}) {
        WriteSeries(5);
        form().screen_state.ColorDepth = static_cast<std::uint8_t>(c.depth);
        const auto viewer = Open(1);
        KeyUp(viewer.get(), Qt::Key_Right);
        KeyUp(viewer.get(), Qt::Key_Right);
        EXPECT_FALSE(viewer->BigImage->isHidden()) << c.depth;
        KeyUp(viewer.get(), Qt::Key_Escape);
        EXPECT_EQ(form().navigation.PictureNumber, c.small_after) << c.depth;
        EXPECT_EQ(form().paint.WorkBitmap.width(), WidthOf(c.small_after) / 2) << c.depth;
        EXPECT_EQ(form().LeftSpot->isVisible(), c.left) << c.depth;
        EXPECT_EQ(form().RightSpot->isVisible(), c.right) << c.depth;
    }
    // From the last picture there is no way on: the lit mark goes too.
    form().RightSpot2->show();
    const auto viewer = Open(4);
    viewer->Image3Click();
    viewer->Image1Click();
    EXPECT_EQ(form().paint.WorkBitmap.width(), WidthOf(5) / 2);
    EXPECT_FALSE(form().RightSpot->isVisible());
    EXPECT_FALSE(form().RightSpot2->isVisible());
    EXPECT_TRUE(form().LeftSpot->isVisible());
}

TEST_F(ViewerTest, TheSmallPictureOpensAModalViewerOnDemosAndHotshotsOnlyAndFreesItOnClose) {
    WriteSeries(2);
    Write(1, Jpeg(1), "SHOTS\\HOT");
    form().catalogue.Shots[1].Picture = "SHOTS\\HOT";
    int opened = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&opened] {
        auto* viewer = dynamic_cast<TForm2*>(QApplication::activeModalWidget());
        if (viewer == nullptr || !viewer->isVisible()) {
            return;
        }
        ++opened;
        EXPECT_TRUE(RegisteredCursor(13));
        KeyUp(viewer, Qt::Key_Right);
        KeyUp(viewer, Qt::Key_Escape);
        if (viewer->isVisible()) {
            ADD_FAILURE() << "the viewer stayed open";
            viewer->Image1Click();
        }
    });
    watch.start(1);
    for (const std::uint8_t page : {PageKind::Demos, PageKind::Shareware, PageKind::Updates, PageKind::Films,
                                    PageKind::Readers, PageKind::Hotshots, PageKind::Installed}) {
        opened = 0;
        form().navigation.CurrentPage = page;
        form().navigation.PictureNumber = 1;
        Click(form().Image1);
        const bool opens = page == PageKind::Demos || page == PageKind::Hotshots;
        EXPECT_EQ(opened, opens ? 1 : 0) << int{page};
        EXPECT_EQ(form().navigation.PictureNumber, page == PageKind::Demos ? 2 : 1) << int{page};
        EXPECT_TRUE(form().findChildren<TForm2*>().isEmpty());
        EXPECT_FALSE(RegisteredCursor(13));
    }
}

} // namespace
} // namespace tavox
