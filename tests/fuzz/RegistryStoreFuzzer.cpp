// Any bytes as a registry store file: reading never fails hard, and whatever was read is written
// back in a form that reads back to the same store.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/RegistryFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace platform::registry;
    const ParsedStore parsed = ParseStore(std::string_view(reinterpret_cast<const char*>(data), size));
    const std::string written = SerializeStore(parsed.store);
    const ParsedStore again = ParseStore(written);
    if (!again.clean || SerializeStore(again.store) != written) std::abort();
    return 0;
}
