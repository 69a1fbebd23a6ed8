#include "app/form1.h"

namespace tavox {

void TForm1::SelectPageItem(const PageItem& select) {
    for (int n = 1; n <= catalogue.PageCount; ++n) {
        if (catalogue.Pages[n].Kind == select.page) {
            MainButtonClick(n);
            break;
        }
    }
    if (navigation.CurrentPage != select.page) {
        return;
    }
    // Step by step, so that the list scrolls and the details follow exactly as under the Down key.
    while (navigation.CurrentItem < select.number) {
        const int before = navigation.CurrentItem;
        ScrollListDown();
        if (navigation.CurrentItem == before) {
            break;
        }
    }
}

} // namespace tavox
