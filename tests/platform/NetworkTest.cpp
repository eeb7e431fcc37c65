#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "platform/Network.h"

namespace {

// The environment's answer for one test, the value before it given back afterwards.
class ScopedInternetVariable {
public:
    explicit ScopedInternetVariable(const char* value) {
        if (const char* old = std::getenv("KESTRUNE_INTERNET")) old_ = old;
        setenv("KESTRUNE_INTERNET", value, 1);
    }
    ~ScopedInternetVariable() {
        if (old_) setenv("KESTRUNE_INTERNET", old_->c_str(), 1);
        else unsetenv("KESTRUNE_INTERNET");
    }

private:
    std::optional<std::string> old_;
};

// A test's state answers before the environment, the environment before the network interfaces,
// and -1 gives the answer back to them.
TEST(Network, TheTestStateAnswersFirstThenTheEnvironment) {
    struct Case {
        const char* name;
        int state;
        const char* variable;
        bool connected;
    } const cases[] = {
        {"offline over an online environment", 0, "1", false}, {"online over an offline environment", 1, "0", true},
        {"the environment's offline", -1, "0", false},         {"the environment's online", -1, "1", true},
        {"any other text is online", -1, "yes", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ScopedInternetVariable variable(c.variable);
        const int before = platform::SetNetworkConnectedForTesting(c.state);
        EXPECT_EQ(platform::NetworkConnected(), c.connected);
        EXPECT_EQ(platform::SetNetworkConnectedForTesting(before), c.state) << "answers the state it replaced";
    }
}

}  // namespace
