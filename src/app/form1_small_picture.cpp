#include "app/form1.h"

#include "catalogue/picture_names.h"
#include "media/jpeg_decoder.h"
#include "platform/machine.h"
#include "presentation/picture_files.h"

#include <QPainter>

namespace tavox {

std::string TForm1::CurrentPictureBase() const {
    if (navigation.CurrentPage == PageKind::Demos) {
        return catalogue.Demos[navigation.CurrentItem].Picture;
    }
    if (navigation.CurrentPage == PageKind::Hotshots) {
        return catalogue.Shots[navigation.CurrentItem].Picture;
    }
    return {};
}

bool TForm1::PrevPicture(const std::string& base) const {
    return services.machine.Files().FileExists(
        PictureJpegPath(folders.CdMenuDir, base, navigation.PictureNumber - 1));
}

bool TForm1::NextPicture(const std::string& base) const {
    return services.machine.Files().FileExists(
        PictureJpegPath(folders.CdMenuDir, base, navigation.PictureNumber + 1));
}

bool TForm1::LoadSmallPicture(const std::string& base) {
    if (HasNoPictures(base)) {
        return true;
    }
    const FileSystem& files = services.machine.Files();
    const std::string bitmap = FirstPictureBitmapPath(folders.CdMenuDir, base, screen_state.ColorDepth);
    const auto show_error = [this](const QString& text) {
        services.messages.Show(MessageKind::Error, QStringLiteral("Error"), text);
        return false;
    };
    if (navigation.PictureNumber == 1 && files.FileExists(bitmap)) {
        const bool cached_slot = navigation.CurrentPage == PageKind::Demos &&
                                 DemosArray::Contains(navigation.CurrentItem) && navigation.CurrentItem <= 17;
        QImage* slot =
            cached_slot ? &paint.DemoPictures[static_cast<std::size_t>(navigation.CurrentItem - 1)] : nullptr;
        if (slot != nullptr && catalogue.Demos[navigation.CurrentItem].PictureCached != 0) {
            paint.WorkBitmap = *slot;
        } else {
            const QImage loaded(QString::fromStdString(files.HostPath(bitmap)->string()));
            // Nothing is cached or drawn from a file that is no bitmap: the next try reports it again.
            if (loaded.isNull()) {
                return show_error(QStringLiteral("Bitmap image is not valid"));
            }
            if (slot != nullptr) {
                *slot = loaded;
                catalogue.Demos[navigation.CurrentItem].PictureCached = 1;
            }
            paint.WorkBitmap = loaded;
        }
    } else {
        const std::string jpeg = PictureJpegPath(folders.CdMenuDir, base, navigation.PictureNumber);
        JpegDecoder decoder;
        decoder.SetScaleRule([](const JpegHeader& header) {
            return header.width >= 400 ? JpegScale::Quarter : JpegScale::Half;
        });
        decoder.SetPixelFormat(JpegPixelFormat::Rgb32);
        JpegDecodeResult decoded = decoder.DecodeFile(files.HostPath(jpeg).value_or(std::filesystem::path()));
        if (decoded.error) {
            return show_error(PictureErrorText(*decoded.error, jpeg));
        }
        paint.WorkBitmap = ToQImage(std::move(decoded.image));
    }
    {
        QPainter painter(&PaintBox1->Surface());
        painter.drawImage(Image1->geometry(), paint.WorkBitmap);
    }
    PaintBox1->Present(Image1->geometry());
    LeftSpot->hide();
    const bool next =
        (navigation.CurrentPage == PageKind::Demos || navigation.CurrentPage == PageKind::Hotshots) &&
        NextPicture(CurrentPictureBase());
    if (!next) {
        RightSpot->hide();
        RightSpot2->hide();
    } else {
        RightSpot->setVisible(screen_state.ColorDepth > 8);
    }
    return true;
}

void TForm1::LeftSpot2Click() {
    if (!LeftSpot->isVisible()) {
        return;
    }
    --navigation.PictureNumber;
    const std::string base = CurrentPictureBase();
    if (!LoadSmallPicture(base)) {
        return;
    }
    if (PrevPicture(base)) {
        LeftSpot->show();
    } else {
        LeftSpot->hide();
        LeftSpot2->hide();
    }
    RightSpot->show();
}

void TForm1::RightSpot2Click() {
    if (!RightSpot->isVisible()) {
        return;
    }
    ++navigation.PictureNumber;
    const std::string base = CurrentPictureBase();
    if (!LoadSmallPicture(base)) {
        return;
    }
    if (NextPicture(base)) {
        RightSpot->show();
    } else {
        RightSpot->hide();
        RightSpot2->hide();
    }
    LeftSpot->show();
}

} // namespace tavox
