#pragma once

// The small list in which the reader picks one of the discs an archive holds, drawn as the directory
// chooser is: the menu's picture behind a white list and the OK and Cancel buttons.

#include <QDialog>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

class QListWidget;

namespace tavox {

class ArchiveDiscChooser : public QDialog {
public:
    // `names` as the archive stores them (UTF-8), in the order to list them.
    ArchiveDiscChooser(const std::string& archive_name, const std::vector<std::string>& names,
                       QWidget* parent = nullptr);

    // The chosen disc's place in `names`; nothing when the reader cancelled.
    std::optional<std::size_t> Chosen() const;

private:
    QListWidget* list_ = nullptr;
};

// Shows the chooser modally; nothing when the reader cancelled.
std::optional<std::size_t> ChooseArchiveDisc(const std::string& archive_name,
                                             const std::vector<std::string>& names);

} // namespace tavox
