// The Uninstall command.
#include "app/form1.h"

namespace tavox {

void TForm1::UnButtonClick() {}

void TForm1::UninstallProc(TDemos&) {}

bool TForm1::DeleteQuestion(const std::string&) { return false; }

void TForm1::RemoveTree(const std::string&) {}

void TForm1::RemoveStartFolder(const std::string&) {}

void TForm1::ApplyDelete() {}

} // namespace tavox
