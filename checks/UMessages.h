#pragma once
// Developer messages: the base URL of the message files and the language of the command line.

#include <string>

namespace kestrune {

extern std::string MessagesUrl;
extern std::string CommandLineLanguage;  // P4 of the command line

}  // namespace kestrune
