#pragma once

// Unpacks a disc image into the disc cache behind a modal progress dialog: the share of the image read so
// far, the disc's label, and Cancel. The work runs on a thread of its own so the dialog stays responsive.

#include "disc/disc_cache.h"

namespace tavox {

DiscCacheFill RunDiscUnpackDialog(const DiscCache& cache, const DiscImage& image, const DiscCheck& check);

} // namespace tavox
