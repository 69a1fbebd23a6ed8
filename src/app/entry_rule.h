#pragma once

#include "app/message_boxes.h"

#include <string_view>

namespace tavox {

// Whether the menu may start: from the CD only when the CD's start program passed "A", a copy on drive C:
// always. Otherwise the reader is told, in a plain box, to run the start program.
bool EntryAllowed(std::string_view first_argument, std::string_view program_path, MessageBoxes& messages);

} // namespace tavox
