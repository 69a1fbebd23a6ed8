#pragma once

// The version choice of the Run command: a dialog built at run time with the question and one button per
// version of the game, sized from its font.

#include <QSize>
#include <QString>
#include <QStringList>

class QFont;

namespace tavox {

// The modal result of the dialog closed by its close box; the buttons give 11, 12, ... in list order.
inline constexpr int kVersionDialogClosed = 2;
inline constexpr int kFirstVersionResult = 11;

// The average character width (the extent of "A".."Z" and "a".."z" divided by 52) and the character
// height of a font.
QSize AverageCharSize(const QFont& font);

// Shows the question and one button per label, left to right in list order, modally; returns the pressed
// button's result, or kVersionDialogClosed when the window was closed. Escape does not close it.
int ChooseVersion(const QString& question, const QStringList& labels);

} // namespace tavox
