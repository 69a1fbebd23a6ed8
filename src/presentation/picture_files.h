#pragma once

#include "media/jpeg_decoder.h"

#include <QImage>
#include <QString>

#include <string>

namespace tavox {

struct JpegError;

// A decoded picture as a screen image (Format_RGB32): 32-bit pixels are taken over without a copy, RGB bytes
// are converted.
QImage ToQImage(DecodedImage decoded);

// The runtime's texts for a picture that cannot be read.
QString PictureErrorText(const JpegError& error, const std::string& windows_path);

} // namespace tavox
