#include "fairness/fairness_mode.h"

#include <vector>

#include "fairness/fairness_figures.h"
#include "fairness/fairness_report.h"
#include "platform/file_io.h"
#include "text/session_error.h"

namespace spinchart {

namespace {

FileFigures figuresOfFile(const FairnessRequest& request, const std::string& name) {
    const WheelProfile& profile = *request.profile;
    const bool standardInput = name == "-";
    FileHandle file =
        standardInput ? FileHandle::standardInput() : FileHandle::openStreamForReading(name);
    const std::string fileName = standardInput ? "standard input" : "'" + name + "'";
    SpinFileRules rules;
    rules.highestNumber = profile.highestNumber;
    rules.column = request.column;
    rules.oldestFirst = request.oldestFirst;
    const SpinFileReading reading =
        readSpinFile([&file](char* data, std::size_t size) { return file.readSome(data, size); },
                     rules, fileName, file.length());
    file.close();
    if (reading.spins.empty()) {
        throw SessionError(fileName + " holds no spins of the " +
                           (hasDoubleZero(profile) ? "double" : "single") + "-zero wheel");
    }
    const FairnessWheel wheel{profile.numberCount, profile.neighbourBaseOrder,
                              hasDoubleZero(profile)};
    return {name, analyseFairness(reading.spins.values(), reading.outsideWheel, wheel),
            reading.lines};
}

}  // namespace

std::string fairnessReport(const FairnessRequest& request) {
    // Each file's figures, one file at a time; of several, their hits together.
    std::vector<FileFigures> files;
    std::vector<std::int64_t> hits;
    for (const std::string& name : request.files) {
        files.push_back(figuresOfFile(request, name));
        for (const NumberFairness& row : files.back().figures.numbers)
            hits.push_back(row.hits);
    }
    const FileFigures& one = files.front();
    const bool several = files.size() > 1;
    const Homogeneity test =
        several ? homogeneity(hits, request.profile->numberCount) : Homogeneity{};
    switch (request.output) {
        case FairnessOutput::json:
            return several ? filesJson(files, test)
                           : fairnessJson(one.figures, one.lines, one.name);
        case FairnessOutput::csv:
            return several ? filesCsv(files) : fairnessCsv(one.figures);
        case FairnessOutput::text:
            break;
    }
    return several ? filesText(files, test)
                   : fairnessText(one.figures, one.lines, one.name,
                                  request.profile->neighbourBaseOrder);
}

}  // namespace spinchart
