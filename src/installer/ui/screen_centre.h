#pragma once

class QWidget;

namespace tavox {

// Places a top-level window, frame included, in the middle of its screen: left = screen width / 2 - window
// width / 2, top likewise (integer divisions). Called once the window is shown, when its frame is known.
void CentreOnScreen(QWidget& window);

} // namespace tavox
