#pragma once

// Unpacks a disc into the disc cache behind a modal progress dialog: the share read so far, what is being
// read, and Cancel. The work runs on a thread of its own so the dialog stays responsive.

#include "disc/disc_cache.h"

#include <functional>
#include <string>

namespace tavox {

DiscCacheFill RunDiscUnpackDialog(const DiscCache& cache, const DiscImage& image, const DiscCheck& check);

// The same dialog for any work that fills the cache, telling its progress; `what` names the disc
// ("the disc \"LABEL\"").
using DiscCacheWork = std::function<DiscCacheFill(const UnpackProgress& progress)>;
DiscCacheFill RunDiscUnpackDialog(const std::string& what, const DiscCacheWork& work);

} // namespace tavox
