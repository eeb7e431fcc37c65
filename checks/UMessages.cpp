#include "checks/UMessages.h"

namespace kestrune {

std::string MessagesUrl;
std::string CommandLineLanguage;

}  // namespace kestrune
