#pragma once

#include "base/positional_file.h"
#include "unrar/protocol/field_reader.h"
#include "unrar/rar_volume.h"

namespace tavox::unrar {

// The blocks after the marker, one reader per format. False when the archive's first header cannot be read
// at all; later faults mark the volume damaged.
bool ReadRar4Blocks(const PositionalFile& file, RarVolume& volume);
bool ReadRar5Blocks(const PositionalFile& file, RarVolume& volume);

} // namespace tavox::unrar
