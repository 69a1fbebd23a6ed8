#include "app/entry_rule.h"

namespace tavox {

bool EntryAllowed(std::string_view first_argument, std::string_view program_path, MessageBoxes& messages) {
    if (first_argument == "A" || program_path.starts_with('C')) {
        return true;
    }
    messages.Show(MessageKind::Plain, QStringLiteral("TAVOX CD"), QStringLiteral("Please, run TAVOX.EXE!"));
    return false;
}

} // namespace tavox
