#include "fairness/fairness_mode.h"

#include "fairness/fairness_figures.h"
#include "fairness/fairness_report.h"
#include "platform/file_io.h"
#include "session/block_reader.h"
#include "session/spin_list.h"
#include "session/spin_source.h"
#include "text/session_error.h"

namespace spinchart {

namespace {

FairnessFigures figuresOfFile(const FairnessRequest& request, const std::string& fileName) {
    const WheelProfile& profile = *request.profile;
    FileHandle file = FileHandle::openForReading(fileName);
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
        throw SessionError("'" + fileName + "' holds no spins of the " +
                           (profile.highestNumber == doubleZeroNumber ? "double" : "single") +
                           "-zero wheel");
    }
    spins.shrinkToFit();
    const FairnessWheel wheel{profile.numberCount, profile.neighbourBaseOrder};
    return analyseFairness(spins.values(), outside, wheel);
}

}  // namespace

std::string fairnessReport(const FairnessRequest& request) {
    // Each file's figures, one file at a time; of several, their hits together.
    std::vector<FileFigures> files;
    std::vector<std::int64_t> hits;
    for (const std::string& name : request.files) {
        files.push_back({name, figuresOfFile(request, name)});
        for (const NumberFairness& row : files.back().figures.numbers)
            hits.push_back(row.hits);
    }
    const FileFigures& one = files.front();
    const bool several = files.size() > 1;
    const Homogeneity test =
        several ? homogeneity(hits, request.profile->numberCount) : Homogeneity{};
    switch (request.output) {
        case FairnessOutput::json:
            return several ? filesJson(files, test) : fairnessJson(one.figures, one.name);
        case FairnessOutput::csv:
            return several ? filesCsv(files) : fairnessCsv(one.figures);
        case FairnessOutput::text:
            break;
    }
    return several ? filesText(files, test)
                   : fairnessText(one.figures, one.name, request.profile->neighbourBaseOrder);
}

}  // namespace spinchart
