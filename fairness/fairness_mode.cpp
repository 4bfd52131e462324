#include "fairness/fairness_mode.h"

#include "fairness/fairness_figures.h"
#include "fairness/fairness_report.h"
#include "platform/file_io.h"
#include "text/session_error.h"

namespace spinchart {

std::string fairnessReport(const FairnessRequest& request) {
    const WheelProfile& profile = *request.profile;
    const bool standardInput = request.file == "-";
    FileHandle file = standardInput ? FileHandle::standardInput()
                                    : FileHandle::openStreamForReading(request.file);
    const std::string fileName = standardInput ? "standard input" : "'" + request.file + "'";
    SpinFileRules rules;
    rules.highestNumber = profile.highestNumber;
    rules.column = request.column;
    rules.oldestFirst = request.oldestFirst;
    const SpinFileReading reading =
        readSpinFile([&file](char* data, std::size_t size) { return file.readSome(data, size); },
                     rules, fileName);
    file.close();
    if (reading.spins.empty()) {
        throw SessionError(fileName + " holds no spins of the " +
                           (profile.highestNumber == doubleZeroNumber ? "double" : "single") +
                           "-zero wheel");
    }
    const FairnessWheel wheel{profile.numberCount, profile.neighbourBaseOrder};
    const FairnessFigures figures =
        analyseFairness(reading.spins.values(), reading.outsideWheel, wheel);
    switch (request.output) {
        case FairnessOutput::json:
            return fairnessJson(figures, reading.lines, request.file);
        case FairnessOutput::csv:
            return fairnessCsv(figures);
        case FairnessOutput::text:
            break;
    }
    return fairnessText(figures, reading.lines, request.file, profile.neighbourBaseOrder);
}

}  // namespace spinchart
