#include "platform/Network.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <cstdlib>
#include <string_view>
#include <utility>

namespace platform {
namespace {
int stateForTesting = -1;
}  // namespace

int SetNetworkConnectedForTesting(int state) { return std::exchange(stateForTesting, state); }

bool NetworkConnected() {
    if (stateForTesting >= 0) return stateForTesting == 1;
    if (const char* forced = std::getenv("KESTRUNE_INTERNET"); forced && *forced)
        return std::string_view(forced) != "0";
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return true;  // cannot be told: online
    bool online = false;
    for (ifaddrs* entry = list; entry; entry = entry->ifa_next) {
        if (!entry->ifa_addr || (entry->ifa_flags & IFF_LOOPBACK)) continue;
        if ((entry->ifa_flags & IFF_UP) && (entry->ifa_flags & IFF_RUNNING)) online = true;
    }
    freeifaddrs(list);
    return online;
}

}  // namespace platform
