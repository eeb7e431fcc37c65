#include "checks/UMessages.h"

#include "foundation/core/ProgramValues.h"

namespace kestrune {

std::string MessagesUrl;
std::string CommandLineLanguage;

const ProgramValues messageValues([] {
    MessagesUrl.clear();
    CommandLineLanguage.clear();
});

}  // namespace kestrune
