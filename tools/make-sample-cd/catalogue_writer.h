#pragma once

// TAVOX95.INI of the sample issue, from the tables.

#include <string>

namespace sample_cd {

// The catalogue as UTF-8 text with "\n" line ends; the CD carries it in code page 1250 with CRLF.
std::string CatalogueText();

} // namespace sample_cd
