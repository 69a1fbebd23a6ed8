#pragma once

#include <string>
#include <string_view>

namespace tavox {

// The 8-bit code pages that the menu's texts come in.
enum class CodePage { Windows1250, Windows1252, Windows1254 };

// A label font's character set picks its code page: 238 Central European, 162 Turkish, anything else Western.
CodePage CodePageForCharset(int charset);

// Decodes code-page bytes into UTF-8. Bytes the code page leaves undefined map to the control character of
// the same number, as Windows does, so that no byte is lost.
std::string ToUtf8(std::string_view bytes, CodePage code_page);

// Appends one code point as UTF-8.
void AppendUtf8(std::string& out, char32_t c);

// What becomes of a UTF-16 surrogate without its other half.
enum class UnpairedSurrogate {
    Keep,    // encoded as it is, so that a name holding one survives the trip to UTF-8 and back
    Replace, // U+FFFD, for names the host's file system gets
};

// Encodes UTF-16 (surrogate pairs included) as UTF-8; a zero unit is kept like any other.
std::string Utf16ToUtf8(std::u16string_view utf16, UnpairedSurrogate unpaired);

// Encodes UTF-8 into the code page. Characters the code page lacks, and malformed UTF-8, become '?'.
std::string FromUtf8(std::string_view utf8, CodePage code_page);

// Simple case folding for file-name comparison (ASCII, Latin-1 and Latin Extended-A, which cover every
// letter of the three code pages), as Windows compares names without regard to case. Capitals fold to small
// letters; the Turkish İ (U+0130) and ı (U+0131) both fold to 'i', so all four forms of the letter match.
char32_t FoldCase(char32_t c);

// Whether two UTF-8 names are equal without regard to case. Malformed bytes compare as themselves, never
// equal to a well-formed character.
bool EqualsIgnoringCase(std::string_view utf8_a, std::string_view utf8_b);

} // namespace tavox
