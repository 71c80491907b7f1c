// The command line's parser on any arguments (the input split at NUL bytes): it never fails but
// with one line naming the problem, and what it reads holds together: the inputs are the
// arguments that are not flags or their values, in their order, and a job it accepts has an
// output and at most one input.
#include "app/cli/ProgramFlags.h"
#include "fuzz/FuzzCheck.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::vector<std::string_view> arguments;
    for (std::size_t at = 0; at <= bytes.size();) {
        const std::size_t end = std::min(bytes.find('\0', at), bytes.size());
        arguments.push_back(bytes.substr(at, end - at));
        at = end + 1;
    }
    const ParsedCommandLine parsed = ParseCommandLine(arguments);
    const CommandLine& line = parsed.line;
    if (parsed.error) {
        FUZZ_CHECK(!parsed.error->empty());
        FUZZ_CHECK(parsed.error->find('\n') == std::string::npos);
        return 0;
    }
    // Each input is one of the arguments, in the arguments' order.
    auto next = arguments.begin();
    for (const std::string& input : line.inputs) {
        next = std::find(next, arguments.end(), input);
        FUZZ_CHECK(next != arguments.end());
        ++next;
    }
    // An input that looks like a flag comes after "--".
    const auto flagsEnd = std::find(arguments.begin(), arguments.end(), "--");
    for (const std::string& input : line.inputs)
        FUZZ_CHECK(input == "-" || !input.starts_with('-') || flagsEnd != arguments.end());
    if (line.job && !line.help && !line.version)
        FUZZ_CHECK(line.output.has_value());
    FUZZ_CHECK(line.inputEncoding >= -1 && line.outputEncoding >= -1);
    return 0;
}
