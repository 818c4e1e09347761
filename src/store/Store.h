#pragma once
// The acquisition service's embedded store: an SQLite file in WAL mode. Each reading is one
// transaction, committed and synced before anything else happens with it, so a killed process
// or a power cut loses at most the reading in flight. The store gives every module's readings
// their sequence numbers (from 1, never reused: the last one is kept per module in the same
// transaction), refuses a second reading of a module with the same time and source (so a
// reading is never stored twice), and keeps the queue of readings the broker has not yet
// acknowledged, in the order they were stored. Readers (ql50-cli export) open it read-only
// beside the running service.
//
// Values are kept at the resolution the program shows them (the channel's decimals) as whole
// numbers; labels, units and decimals are kept once per measurement type and source.
//
// Not thread-safe: one thread uses a Store.
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "store/Reading.h"

struct sqlite3;
struct sqlite3_stmt;

namespace ql50::store {

class Store {
public:
    Store() = default;
    ~Store();
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    // Opens (read-write: creates) the file. False with the reason in ErrorText().
    bool Open(const std::string& path, bool readOnly = false);
    void Close();
    bool IsOpen() const { return db_ != nullptr; }
    const std::string& ErrorText() const { return error_; }

    enum class Added { Stored, Duplicate, Failed };
    // Gives `reading` its id and sequence number and commits it; with `queue` it also joins the
    // publishing queue. Duplicate: the module has a reading of this time and source already
    // (nothing changed). Failed: see ErrorText().
    Added Add(Reading& reading, bool queue);
    // A batch: the readings added between Begin and Commit are committed (and synced) together,
    // so a burst of readings costs one sync. Rollback drops a batch that failed.
    bool Begin();
    bool Commit();
    void Rollback();

    struct ModuleState {
        std::int64_t lastSeq = 0;
        int type = -1;                             // the last type the module reported
        std::optional<std::int64_t> newestValued;  // time of its newest reading with values
    };
    ModuleState State(const std::string& module);
    std::vector<std::string> Modules();

    // The queue: readings after queue position `afterId` (a reading's id), oldest first.
    std::vector<Reading> Queued(std::int64_t afterId, int limit);
    bool Dequeue(const std::vector<std::int64_t>& ids);
    std::int64_t QueueLength();

    // Periods of a module whose records are still to be read from its data logger.
    struct Gap {
        std::int64_t fromMs = 0, toMs = 0;
    };
    bool AddGap(const std::string& module, const Gap& gap);
    bool RemoveGap(const std::string& module, const Gap& gap);
    std::vector<Gap> Gaps(const std::string& module);

    // The channel layouts (labels, units, no values) of a module's readings with
    // fromMs <= time < toMs: one per type and source, live first.
    std::vector<std::vector<Channel>> Layouts(const std::string& module, std::int64_t fromMs,
                                              std::int64_t toMs);
    // A module's readings with fromMs <= time < toMs in time order; false on a read error.
    bool ForEach(const std::string& module, std::int64_t fromMs, std::int64_t toMs,
                 const std::function<void(const Reading&)>& visit);

private:
    bool Exec(const char* sql);
    Added Insert(Reading& reading, bool queue);
    sqlite3_stmt* Prepare(const char* sql);
    bool Fail(const char* what);
    std::optional<std::int64_t> ModuleId(const std::string& module, bool create);
    bool KeepLayout(const Reading& reading);
    bool LoadLayouts();
    Reading FromRow(sqlite3_stmt* row, int first);

    sqlite3* db_ = nullptr;
    std::map<std::string, sqlite3_stmt*> statements_;
    // (type, source) -> the channels' label, unit and decimals, without values.
    std::map<std::pair<int, int>, std::vector<Channel>> layouts_;
    std::string error_;
};

}  // namespace ql50::store
