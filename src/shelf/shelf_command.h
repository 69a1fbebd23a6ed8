#pragma once

// The shelf from the terminal, without a display:
//   tavox95 --list FOLDER           one line per disc: issue label, year-month, items, path
//   tavox95 --search WORDS FOLDER   one line per item: issue label, page, item, installed or not, path
// Columns are separated by tabs; the output is UTF-8. Files that are no discs are told on standard error.

#include <span>
#include <string>

namespace tavox {

// True when the arguments ask for one of the terminal forms.
bool AsksForShelfCommand(std::span<const std::string> arguments);

// Runs the terminal form the arguments name (the program's own name left out); returns the exit status:
// 0 done (a folder without discs too), 2 wrong use or a folder that does not exist.
int RunShelfCommand(std::span<const std::string> arguments);

} // namespace tavox
