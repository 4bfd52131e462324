// Any bytes as the file of the fairness report: on both wheels, the text, the
// JSON and the CSV are printable ASCII in 79 columns with no inf, nan or
// negative zero, and the JSON parses with every p in [0, 1]; a file without
// spins is refused, never reported.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fairness/fairness_mode.h"
#include "support/fairness_output_check.h"
#include "text/session_error.h"

namespace {

using namespace spinchart;

int memoryFile() {
    static const int fd = ::memfd_create("fairness", 0);
    return fd;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const int fd = memoryFile();
    if (fd < 0 || ::ftruncate(fd, 0) != 0 ||
        ::pwrite(fd, bytes, size, 0) != static_cast<ssize_t>(size)) {
        return 0;
    }
    // One report an input (each runs 10000 simulated fair wheels or more):
    // the wheel and the form by the input's length, so that every one is
    // driven and a saved input replays the same report.
    constexpr FairnessOutput outputs[] = {FairnessOutput::text, FairnessOutput::json,
                                          FairnessOutput::csv};
    FairnessRequest request;
    request.files = {"/proc/self/fd/" + std::to_string(fd)};
    request.profile = size % 2 == 0 ? &singleZeroProfile : &doubleZeroProfile;
    request.output = outputs[size / 2 % 3];
    std::string report;
    try {
        report = fairnessReport(request);
    } catch (const SessionError&) {
        return 0;  // no spin of the wheel: refused, not reported
    }
    const std::string fault = testing::fairnessOutputFault(report, request.output);
    if (!fault.empty()) {
        std::fprintf(stderr, "%s\n%s", fault.c_str(), report.c_str());
        std::abort();
    }
    return 0;
}
