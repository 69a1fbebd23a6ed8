// The Run command.
#include "app/form1.h"

namespace tavox {

void TForm1::RunButtonClick() {}

void TForm1::RunProc(TDemos) {}

} // namespace tavox
