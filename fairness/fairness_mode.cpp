#include "fairness/fairness_mode.h"

#include "fairness/fairness_figures.h"
#include "fairness/fairness_report.h"
#include "platform/file_io.h"
#include "session/block_reader.h"
#include "session/spin_list.h"
#include "session/spin_source.h"
#include "text/session_error.h"

namespace spinchart {

std::string fairnessReport(const FairnessRequest& request) {
    const WheelProfile& profile = *request.profile;
    FileHandle file = FileHandle::openForReading(request.file);
    BlockReader reader(file);
    // Values outside the wheel are counted and set aside as they are read, so
    // the list holds only the spins analysed.
    SpinList spins;
    std::int64_t outside = 0;
    const std::int32_t zeroZero = profile.highestNumber == doubleZeroNumber ? doubleZeroNumber : 0;
    while (!reader.atEnd()) {
        const std::int32_t value = readSpinValue(reader, zeroZero);
        if (value >= 0 && value <= profile.highestNumber) {
            spins.pushBack(value);
        } else {
            ++outside;
        }
    }
    file.close();
    if (spins.empty()) {
        throw SessionError("'" + request.file + "' holds no spins of the " +
                           (profile.highestNumber == doubleZeroNumber ? "double" : "single") +
                           "-zero wheel");
    }
    spins.shrinkToFit();
    const FairnessWheel wheel{profile.numberCount, profile.neighbourBaseOrder};
    const FairnessFigures figures = analyseFairness(spins.values(), outside, wheel);
    switch (request.output) {
        case FairnessOutput::json:
            return fairnessJson(figures, request.file);
        case FairnessOutput::csv:
            return fairnessCsv(figures);
        case FairnessOutput::text:
            break;
    }
    return fairnessText(figures, request.file, profile.neighbourBaseOrder);
}

}  // namespace spinchart
