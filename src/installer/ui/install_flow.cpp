// The Install command.
#include "app/form1.h"

namespace tavox {

void TForm1::InstallButtonClick() {}

void TForm1::InstallProc(TDemos&) {}

} // namespace tavox
