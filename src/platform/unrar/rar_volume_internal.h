#pragma once

#include "platform/unrar/field_reader.h"
#include "platform/unrar/rar_volume.h"
#include "platform/unrar/volume_file.h"

namespace tavox::unrar {

// The blocks after the marker, one reader per format. False when the archive's first header cannot be read
// at all; later faults mark the volume damaged.
bool ReadRar4Blocks(const VolumeFile& file, RarVolume& volume);
bool ReadRar5Blocks(const VolumeFile& file, RarVolume& volume);

} // namespace tavox::unrar
