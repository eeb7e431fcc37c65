#pragma once
// The program's own words as ASCII bytes: letter case (kind words, tags, header names, pack
// sections, ini and registry names, address schemes), the classes of letters and blanks, the
// trimming of blanks and the %XX escape. ASCII only, so that the result never depends on the
// locale; other bytes (UTF-8 included) are kept. The one home of these helpers; it lives in
// platform/, the lowest layer, so that the registry store and the agent can use it too.

#include <string>
#include <string_view>

namespace platform {

// The text with A-Z made a-z; every other byte as it was.
std::string AsciiLower(std::string_view text);
// Equal when A-Z and a-z are taken as the same letters.
bool AsciiEqualsNoCase(std::string_view a, std::string_view b);
bool AsciiStartsWithNoCase(std::string_view text, std::string_view prefix);

// A-Z, a-z; with digits 0-9 for AsciiIsAlnum.
bool AsciiIsAlpha(char c);
bool AsciiIsAlnum(char c);

// Space and tab: the blanks within a line.
inline constexpr std::string_view kLineBlanks = " \t";
// Space, tab, LF, VT, FF and CR: the blanks of the C locale, in every locale.
inline constexpr std::string_view kAsciiSpaces = " \t\n\v\f\r";
// The text without the bytes of blanks at either end.
std::string_view AsciiTrimmed(std::string_view text, std::string_view blanks = kLineBlanks);

// Every byte for which mustEscape answers true written "%" and two upper-case hex digits; every
// other byte as it is.
using EscapedByte = bool (*)(unsigned char byte);
void AppendPercentEscaped(std::string& out, std::string_view text, EscapedByte mustEscape);
std::string PercentEscaped(std::string_view text, EscapedByte mustEscape);
// The value of a hex digit of either case; -1 for any other byte.
int HexDigitValue(char c);

}  // namespace platform
