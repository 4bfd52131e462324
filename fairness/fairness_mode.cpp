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

// Several files: each file's figures, one file at a time, and the test of
// their hits together.
std::string filesReport(const FairnessRequest& request) {
    std::vector<FileFigures> files;
    std::vector<std::int64_t> hits;
    for (const std::string& name : request.files) {
        files.push_back({name, figuresOfFile(request, name)});
        for (const NumberFairness& row : files.back().figures.numbers)
            hits.push_back(row.hits);
    }
    const Homogeneity test = homogeneity(hits, request.profile->numberCount);
    switch (request.output) {
        case FairnessOutput::json:
            return filesJson(files, test);
        case FairnessOutput::csv:
            return filesCsv(files);
        case FairnessOutput::text:
            break;
    }
    return filesText(files, test);
}

}  // namespace

std::string fairnessReport(const FairnessRequest& request) {
    if (request.files.size() > 1) return filesReport(request);
    const std::string& file = request.files.front();
    const FairnessFigures figures = figuresOfFile(request, file);
    switch (request.output) {
        case FairnessOutput::json:
            return fairnessJson(figures, file);
        case FairnessOutput::csv:
            return fairnessCsv(figures);
        case FairnessOutput::text:
            break;
    }
    return fairnessText(figures, file, request.profile->neighbourBaseOrder);
}

}  // namespace spinchart
