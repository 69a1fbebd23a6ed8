// The form's components in the order they are stacked, the first at the bottom.
#include "app/form1.h"

namespace tavox {

namespace {

enum Flag : unsigned {
    kNone = 0,
    kHidden = 1u << 0,
    kStretch = 1u << 1,
    kCenter = 1u << 2,
    kClickable = 1u << 3, // cursor index 10
    kRight = 1u << 4,
    kCentred = 1u << 5,
    kWrap = 1u << 6,
    kFixed = 1u << 7,
    kBold = 1u << 8,
    kTextCursor = 1u << 9, // cursor index 11
};

template <typename T> T* Named(T* widget, const char* name, QRect bounds, unsigned flags) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(bounds);
    widget->setVisible((flags & kHidden) == 0);
    if (flags & kClickable) {
        widget->SetCursorIndex(CursorIndex::Clickable);
    } else if (flags & kTextCursor) {
        widget->SetCursorIndex(CursorIndex::Text);
    }
    return widget;
}

} // namespace

void TForm1::CreateComponents() {
    const auto image = [this](const char* name, int left, int top, int width, int height,
                              unsigned flags = kNone) {
        // Qt's parent owns the component.
        auto* box = Named(new ImageBox(this), name, QRect(left, top, width, height), flags);
        box->stretch = (flags & kStretch) != 0;
        box->center = (flags & kCenter) != 0;
        return box;
    };
    const auto label = [this](const char* name, int left, int top, int width, int height, int pixels,
                              const char* caption, unsigned flags = kNone) {
        auto* text = Named(new FormLabel(this, pixels, (flags & kBold) != 0), name,
                           QRect(left, top, width, height), flags);
        text->alignment = (flags & kRight)     ? LabelAlignment::Right
                          : (flags & kCentred) ? LabelAlignment::Center
                                               : LabelAlignment::Left;
        text->word_wrap = (flags & kWrap) != 0;
        text->fixed_size = (flags & kFixed) != 0;
        text->SetCaption(caption);
        text->AdjustSize();
        return text;
    };

    BackgroundImage = image("BackgroundImage", 0, 0, 637, 465);
    MetaImage = image("MetaImage", 0, 0, 637, 465, kHidden);
    PaintBox1 = Named(new PaintBox(this), "PaintBox1", QRect(0, 0, 637, 465), kNone);
    Image3 = image("Image3", 510, 63, 68, 14, kStretch);
    LeftSpot = image("LeftSpot", 243, 155, 8, 16, kHidden | kStretch);
    RightSpot = image("RightSpot", 460, 154, 8, 16, kStretch);
    static constexpr int kRowTops[15] = {68,  86,  103, 121, 139, 157, 174, 192,
                                         210, 227, 245, 263, 281, 298, 316};
    for (int r = 1; r <= 15; ++r) {
        const std::string name = r == 1 ? "Demoslabel1" : "DemosLabel" + std::to_string(r);
        rows_[static_cast<std::size_t>(r - 1)] = label(name.c_str(), 22, kRowTops[r - 1], 89, 13, 12, "");
    }
    TechLabel = label("TechLabel", 460, 338, 66, 9, 9, "", kRight);
    TextLabel = label("TextLabel", 223, 367, 238, 101, 12, "", kTextCursor | kWrap | kFixed);
    CDNumberLabel = label("CDNumberLabel", 568, 24, 51, 13, 13, "10-97", kCentred | kFixed | kBold);
    DemoNameLabel = label("DemoNameLabel", 197, 63, 170, 11, 11, "", kRight | kFixed);
    const auto button = [&](int n, const char* name, int left, int top, int height, unsigned flags) {
        section_buttons_[static_cast<std::size_t>(n - 1)] = image(name, left, top, 133, height, flags);
    };
    const auto digit = [&](int n, int top, unsigned flags) {
        const std::string name = "MainLabel" + std::to_string(n);
        section_labels_[static_cast<std::size_t>(n - 1)] =
            label(name.c_str(), 514, top, 11, 13, 12, std::to_string(n).c_str(), kBold | flags);
    };
    button(1, "MainButton1", 507, 81, 22, kClickable);
    button(2, "mainButton2", 507, 104, 21, kClickable);
    button(3, "mainButton3", 507, 126, 22, kClickable);
    button(6, "mainButton6", 507, 194, 22, kClickable);
    button(4, "mainButton4", 507, 149, 22, kNone);
    digit(1, 85, kClickable);
    digit(2, 106, kClickable);
    digit(3, 129, kClickable);
    digit(6, 199, kClickable);
    digit(4, 151, kNone);
    LeftSpot2 = image("LeftSpot2", 242, 155, 8, 16, kHidden | kClickable | kStretch);
    RightSpot2 = image("RightSpot2", 460, 154, 8, 16, kHidden | kClickable | kStretch);
    UpSpot = image("UpSpot", 173, 59, 16, 13, kCenter);
    UpSpot2 = image("UpSpot2", 173, 59, 16, 13, kHidden | kCenter);
    DownSpot = image("DownSpot", 173, 326, 16, 13, kCenter);
    InstallButton = label("InstallButton", 256, 296, 59, 13, 12, "Instaluj", kClickable);
    RunButton = label("RunButton", 256, 265, 41, 13, 12, "Spu\x9D", kClickable);
    UnButton = label("UnButton", 256, 312, 77, 13, 12, "Odinstaluj", kClickable);
    ReadmeButton = label("ReadmeButton", 256, 281, 60, 13, 12, "Pre\xE8ti si", kHidden | kClickable);
    FirmLabel = label("FirmLabel", 376, 63, 129, 11, 11, "", kFixed);
    DateLabel = label("DateLabel", 260, 243, 193, 13, 9, "Cervenec 98", kCentred | kFixed);
    DownSpot2 = image("DownSpot2", 173, 326, 16, 13, kHidden | kCenter);
    Label3D = label("Label3D", 432, 263, 34, 13, 12, "3Dfx", kRight);
    LabelNet = label("LabelNet", 412, 279, 54, 13, 12, "Netplay", kRight);
    WormImage = image("WormImage", 124, 368, 89, 105);
    Image1 = image("Image1", 255, 84, 200, 150, kClickable | kStretch | kCenter);
    ExplorerLabel = label("ExplorerLabel", 116, 350, 64, 13, 12, "Explorer");
    Image2 = image("Image2", 172, 73, 17, 251);
    JezdecPicture = image("JezdecPicture", 171, 72, 19, 16, kStretch);
    SloganImage = image("SloganImage", 2, 9, 555, 17, kCenter);
    button(5, "MainButton5", 507, 172, 21, kNone);
    digit(5, 175, kNone);
    ExitLabel = label("ExitLabel", 596, 454, 28, 13, 12, "Exit");
    SetupLabel = label("SetupLabel", 7, 454, 69, 13, 12, "Settings", kCentred | kFixed);
    TempImage = image("TempImage", 466, 320, 133, 206, kHidden);
    LabelCZ = label("LabelCZ", 425, 295, 41, 13, 12, "Czech", kRight);
    UpdatesVersionLabel =
        label("UpdatesVersionLabel", 245, 86, 219, 161, 13, "", kHidden | kCentred | kWrap | kFixed);
    button(7, "MainButton7", 507, 217, 24, kClickable);
    digit(7, 222, kClickable);
    button(8, "MainButton8", 507, 242, 22, kClickable);
    digit(8, 245, kClickable);
    button(9, "MainButton9", 506, 265, 22, kHidden | kClickable);
    digit(9, 271, kHidden | kClickable);
    TornikBitmap = image("TornikBitmap", 412, 265, 51, 62, kHidden);
    // The drawn marks of the form; their look is ours, their places are the form's.
    const std::pair<ImageBox*, const char*> marks[] = {
        {Image3, ":/marks/image3"},       {LeftSpot, ":/marks/left"},     {RightSpot, ":/marks/right"},
        {LeftSpot2, ":/marks/left2"},     {RightSpot2, ":/marks/right2"}, {UpSpot, ":/marks/up"},
        {UpSpot2, ":/marks/up2"},         {DownSpot, ":/marks/down"},     {DownSpot2, ":/marks/down2"},
        {JezdecPicture, ":/marks/thumb"},
    };
    for (const auto& [box, resource] : marks) {
        box->SetVectorPicture(QString::fromLatin1(resource));
    }
    TornikBitmap->SetImage(QImage(QStringLiteral(":/TORNIK")));
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(3000);
}

} // namespace tavox
