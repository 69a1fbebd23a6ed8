// The main window's side of the screenshot viewer: opening it over the small picture.
#include "app/form1.h"

#include "app/form2_viewer.h"

#include <memory>

namespace tavox {

void TForm1::SmallImageClick() {
    // Only demos and hotshots have a series to browse; the films page's picture stays small.
    if (navigation.CurrentPage != PageKind::Demos && navigation.CurrentPage != PageKind::Hotshots) {
        return;
    }
    auto viewer = std::make_unique<TForm2>(*this);
    viewer->exec();
}

} // namespace tavox
