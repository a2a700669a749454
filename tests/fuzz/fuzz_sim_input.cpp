// The stand-in's own outside input: a targets file, fault descriptions and
// option values typed by whoever starts it. None may crash it.

#include <cstddef>
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/sim/fault_schedule.h"
#include "tools/sim/signal_model.h"
#include "tools/sim/sim_options.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string error;
    velox::sim::parseTargets(text, error);
    velox::sim::parseFault(text, error);

    // Lines as command-line words.
    std::vector<std::string> args;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t end = std::min(text.find('\n', start), text.size());
        args.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    // A targets file would be read from disk; keep the fuzzer off the file system.
    for (size_t i = 0; i < args.size(); ++i)
        if (args[i] == "--targets-file" || args[i] == "--programdata") args[i] = "--quiet";
    velox::sim::parseOptions(args, error);
    return 0;
}
