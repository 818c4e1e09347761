// The logger read-out's record assembly on its own, for depth: the input is the stream's
// (d2, d3) byte pairs, two bytes per frame, as the read-out hands them over.
//
// A record is complete exactly when its ten bytes arrived as five pairs right after the start
// or after a pair that carried an end marker as d3, with the end marker as d3 of the fifth pair
// and of no pair before it. Every complete record goes to the export file, nothing else does.
#include <algorithm>
#include <array>
#include <cstddef>

#include "formats/LoggerRecords.h"
#include "fuzz/Check.h"
#include "fuzz/LoggerLine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace ql50;
    constexpr std::size_t kPairs = kLoggerRecordSize / 2;
    LoggerRecordAssembler records;
    unsigned dropped = 0;
    std::size_t sinceMarker = 0;  // pairs since the start or the last pair that ended in 0xFF
    for (std::size_t pair = 0; pair + 1 < size; pair += 2) {
        const std::uint8_t d2 = data[pair], d3 = data[pair + 1];
        const auto record = records.Push(d2, d3);
        ++sinceMarker;
        const bool complete = d3 == kLoggerEndMarker && sinceMarker == kPairs;
        if (d3 == kLoggerEndMarker) sinceMarker = 0;

        QL50_FUZZ_CHECK(record.has_value() == complete);
        QL50_FUZZ_CHECK(records.index() < kLoggerRecordSize && records.index() % 2 == 0);
        QL50_FUZZ_CHECK(records.droppedRecords() >= dropped);
        dropped = records.droppedRecords();
        if (!record) continue;
        // The record is the last five pairs as they came.
        const std::uint8_t* first = data + pair + 2 - kLoggerRecordSize;
        QL50_FUZZ_CHECK(std::equal(record->begin(), record->end(), first));
        fuzz::CheckLoggerLine(*record, LoggerRecordLine(*record));
    }
    return 0;
}
