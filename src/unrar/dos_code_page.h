#pragma once

#include "base/code_page.h"

#include <string>
#include <string_view>

namespace tavox::unrar {

// The DOS code pages that 8-bit names in archives of the menu's editions come in: 437 (English), 852
// (Czech, Romanian), 857 (Turkish).
bool IsDosCodePage(int code_page);

// Decodes DOS code-page bytes into UTF-8; an unknown code page reads as 437.
std::string DosToUtf8(std::string_view bytes, int dos_code_page);

// The Windows code page that goes with a DOS one, as Windows pairs them: 437 -> 1252, 852 -> 1250,
// 857 -> 1254.
CodePage WindowsCodePageFor(int dos_code_page);

} // namespace tavox::unrar
