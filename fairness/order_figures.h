#pragma once
// What the order of the spins tells: the distance in pockets from each spin to
// the next (a dealer's signature), whether the hottest picks of the older half
// are hot again in the newer half, an evidence score that stays honest however
// often it is checked, and whether several files' hits come from one wheel.
// The spins come newest first, as everywhere in the fairness figures: time
// order reads them from the end.

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace spinchart {

// A chi-square test of counts against equal chances. Its p comes from the
// chi-square law when at least chiSquareMinimumExpected hits a class are
// expected, otherwise from `samples` simulated fair draws.
struct ChiSquareTest {
    double value = 0;
    std::int32_t df = 0;
    double p = 1;
    bool simulated = false;
    std::int32_t samples = 0;  // 0 for the chi-square law
};

// The hottest window of `width` neighbouring classes, centred on `centre`.
struct HotSector {
    std::int32_t width = 0;
    std::int32_t centre = 0;
    std::vector<std::int32_t> members;  // in wheel order
    std::int64_t hits = 0;
    double expected = 0;
    // The share of `samples` fair draws whose hottest window of this width
    // holds as many hits.
    double pFamily = 1;
    std::int32_t samples = 0;
};

// counts[d]: the pairs of consecutive spins whose newer result lies d pockets
// clockwise of the older one along the wheel order.
struct ConsecutiveFigures {
    std::int64_t pairs = 0;
    std::vector<std::int64_t> counts;
    ChiSquareTest chiSquare;
    std::vector<HotSector> windows;  // members: the distances, clockwise
};

// A number or sector picked as the hottest of the older half, tested on the
// newer half by its plain binomial upper tail.
struct ReplicatedPick {
    std::int32_t centre = 0;
    std::vector<std::int32_t> members;  // in wheel order
    std::int64_t hitsOlder = 0;
    std::int64_t hitsNewer = 0;
    double expectedNewer = 0;
    double p = 1;
};

struct ReplicationFigures {
    std::int64_t olderSpins = 0;
    std::int64_t newerSpins = 0;
    ReplicatedPick number;
    std::vector<ReplicatedPick> sectors;  // widths 5 and 9
};

// The evidence score E checked every watchEvery spins and after the last, in
// base-10 logarithms.
struct WatchFigures {
    double log10Final = 0;
    double log10Highest = 0;
    std::int64_t highestAfter = 0;
    bool alarm5 = false;  // E reached 20
    bool alarm1 = false;  // E reached 100
};

struct OrderFigures {
    ConsecutiveFigures consecutive;
    ReplicationFigures replication;
    WatchFigures watch;
};

// The test that several files' hits come from one wheel.
struct Homogeneity {
    double value = 0;
    std::int32_t df = 0;
    double p = 1;
    std::int32_t numbersKept = 0;  // numbers some file holds
    double smallestExpected = 0;
};

inline constexpr std::int64_t watchEvery = 100;
// The alternatives the score averages: windows of these many pockets, hit at
// these multiples of their fair rate.
inline constexpr std::int32_t watchWidths[] = {1, 5, 9};
inline constexpr double watchRates[] = {1.1, 1.25, 1.5};

// The three order sections over `spins` (newest first), numbers of the wheel
// whose clockwise order is `wheelOrder`; from the tallies of the one pass
// over the spins (fairness_figures.h).
OrderFigures analyseOrder(std::span<const std::uint8_t> spins,
                          std::span<const std::int32_t> wheelOrder);
struct TimeOrderTallies;
OrderFigures orderFigures(const TimeOrderTallies& tallies,
                          std::span<const std::int32_t> wheelOrder);

// The watch fed in time order: the hits after every watchEvery spins and
// after the last.
class EvidenceWatch {
public:
    explicit EvidenceWatch(std::span<const std::int32_t> wheelOrder);
    ~EvidenceWatch();
    EvidenceWatch(const EvidenceWatch&) = delete;
    EvidenceWatch& operator=(const EvidenceWatch&) = delete;
    // `counts`: the hits of the first `spins` spins in time order.
    void check(std::span<const std::int64_t> counts, std::int64_t spins, bool last);
    WatchFigures figures() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

// The parts, for the tests.
ConsecutiveFigures consecutiveFigures(std::span<const std::uint8_t> spins,
                                      std::span<const std::int32_t> wheelOrder);
ReplicationFigures replicationFigures(std::span<const std::uint8_t> spins,
                                      std::span<const std::int32_t> wheelOrder);
WatchFigures watchFigures(std::span<const std::uint8_t> spins,
                          std::span<const std::int32_t> wheelOrder);

// The chi-square test of a files x numbers table of hits (`hits` row by row,
// `numberCount` a row), numbers that no file holds left out.
Homogeneity homogeneity(std::span<const std::int64_t> hits, std::int32_t numberCount);

}  // namespace spinchart
