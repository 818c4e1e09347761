#include "store/Store.h"

#include <sqlite3.h>

#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace ql50::store {
namespace {

constexpr int kSchemaVersion = 1;
constexpr int kChannels = 6;

// The readings table is append-only and read by module and time; the queue holds the ids of
// the readings the broker has not acknowledged; the last sequence number, the last type and
// the time of the newest reading with values are kept per module.
constexpr const char* kSchema = R"(
CREATE TABLE IF NOT EXISTS modules(
  id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE, last_seq INTEGER NOT NULL DEFAULT 0,
  type INTEGER, valued_ms INTEGER);
CREATE TABLE IF NOT EXISTS channels(
  type INTEGER NOT NULL, source INTEGER NOT NULL, idx INTEGER NOT NULL, label TEXT NOT NULL,
  unit TEXT NOT NULL, decimals INTEGER NOT NULL, PRIMARY KEY(type, source, idx)) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS readings(
  id INTEGER PRIMARY KEY, module INTEGER NOT NULL, seq INTEGER NOT NULL,
  time_ms INTEGER NOT NULL, source INTEGER NOT NULL, type INTEGER,
  v1 INTEGER, v2 INTEGER, v3 INTEGER, v4 INTEGER, v5 INTEGER, v6 INTEGER);
CREATE UNIQUE INDEX IF NOT EXISTS readings_by_time ON readings(module, time_ms, source);
CREATE TABLE IF NOT EXISTS queue(reading INTEGER PRIMARY KEY);
CREATE TABLE IF NOT EXISTS gaps(
  module INTEGER NOT NULL, from_ms INTEGER NOT NULL, to_ms INTEGER NOT NULL,
  PRIMARY KEY(module, from_ms, to_ms)) WITHOUT ROWID;
)";

// The columns FromRow reads, after any the query puts first.
constexpr const char* kReadingColumns =
    "r.id, m.name, r.seq, r.time_ms, r.source, r.type, r.v1, r.v2, r.v3, r.v4, r.v5, r.v6";

double Scale(int decimals) {
    return std::pow(10.0, decimals);
}

// Resets a statement on every way out of a query.
struct Reset {
    sqlite3_stmt* s;
    ~Reset() {
        sqlite3_reset(s);
        sqlite3_clear_bindings(s);
    }
};

bool SameLayout(const std::vector<Channel>& a, const std::vector<Channel>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].index != b[i].index || a[i].label != b[i].label || a[i].unit != b[i].unit ||
            a[i].decimals != b[i].decimals)
            return false;
    return true;
}

}  // namespace

bool Reading::HasValues() const {
    for (const Channel& c : channels)
        if (c.value) return true;
    return false;
}

const char* SourceName(Source source) {
    return source == Source::Logger ? "logger" : "live";
}

std::string IsoTime(std::int64_t utcMs) {
    const std::int64_t ms = ((utcMs % 1000) + 1000) % 1000;
    const std::time_t seconds = std::time_t((utcMs - ms) / 1000);
    std::tm t{};
    localtime_r(&seconds, &t);
    const long offset = std::labs(t.tm_gmtoff) / 60;
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02ld:%02ld",
                  t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, int(ms),
                  t.tm_gmtoff < 0 ? '-' : '+', offset / 60, offset % 60);
    return text;
}

std::optional<std::int64_t> LocalTimeMs(int year, int month, int day, int hour, int minute,
                                        int second, std::optional<long> utcOffsetSeconds) {
    using namespace std::chrono;
    const year_month_day date{std::chrono::year(year), std::chrono::month(unsigned(month)),
                              std::chrono::day(unsigned(day))};
    if (!date.ok() || hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 ||
        second > 59)
        return std::nullopt;
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = -1;
    const std::time_t seconds = utcOffsetSeconds ? timegm(&t) - *utcOffsetSeconds : std::mktime(&t);
    if (seconds == std::time_t(-1)) return std::nullopt;
    return std::int64_t(seconds) * 1000;
}

Store::~Store() {
    Close();
}

void Store::Close() {
    for (auto& [sql, statement] : statements_) sqlite3_finalize(statement);
    statements_.clear();
    layouts_.clear();
    if (db_ != nullptr) sqlite3_close(db_);
    db_ = nullptr;
}

bool Store::Fail(const char* what) {
    error_ = std::string(what) + ": " + (db_ != nullptr ? sqlite3_errmsg(db_) : "out of memory");
    return false;
}

bool Store::Exec(const char* sql) {
    return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK || Fail(sql);
}

sqlite3_stmt* Store::Prepare(const char* sql) {
    auto it = statements_.find(sql);
    if (it != statements_.end()) return it->second;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db_, sql, -1, &statement, nullptr) != SQLITE_OK) {
        Fail("prepare");
        return nullptr;
    }
    statements_[sql] = statement;
    return statement;
}

bool Store::Open(const std::string& path, bool readOnly) {
    Close();
    const int flags = readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    if (sqlite3_open_v2(path.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
        Fail(("cannot open the store " + path).c_str());
        Close();
        return false;
    }
    sqlite3_busy_timeout(db_, 5000);
    sqlite3_stmt* version = Prepare("PRAGMA user_version");
    const bool known = version != nullptr && sqlite3_step(version) == SQLITE_ROW &&
                       sqlite3_column_int(version, 0) <= kSchemaVersion;
    if (version != nullptr) sqlite3_reset(version);
    if (!known) {
        error_ = path + ": " + (version != nullptr ? "made by a newer ql50d" : error_);
        Close();
        return false;
    }
    // Each commit is synced (FULL): a power cut loses at most the reading in flight.
    const bool ready =
        readOnly || (Exec("PRAGMA journal_mode=WAL") && Exec("PRAGMA synchronous=FULL") &&
                     Exec(kSchema) && Exec("PRAGMA user_version=1"));
    if (!ready || !LoadLayouts()) {
        error_ = path + ": " + error_;
        Close();
        return false;
    }
    return true;
}

bool Store::LoadLayouts() {
    sqlite3_stmt* s =
        Prepare("SELECT type, source, idx, label, unit, decimals FROM channels ORDER BY 1, 2, 3");
    if (s == nullptr) return false;
    Reset reset{s};
    int rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
        Channel c;
        c.index = sqlite3_column_int(s, 2);
        c.label = reinterpret_cast<const char*>(sqlite3_column_text(s, 3));
        c.unit = reinterpret_cast<const char*>(sqlite3_column_text(s, 4));
        c.decimals = sqlite3_column_int(s, 5);
        layouts_[{sqlite3_column_int(s, 0), sqlite3_column_int(s, 1)}].push_back(c);
    }
    return rc == SQLITE_DONE || Fail("channels");
}

std::optional<std::int64_t> Store::ModuleId(const std::string& module, bool create) {
    if (create) {
        sqlite3_stmt* add = Prepare("INSERT OR IGNORE INTO modules(name) VALUES(?)");
        if (add == nullptr) return std::nullopt;
        Reset reset{add};
        sqlite3_bind_text(add, 1, module.c_str(), -1, SQLITE_TRANSIENT);
        if (sqlite3_step(add) != SQLITE_DONE) return Fail("modules"), std::nullopt;
    }
    sqlite3_stmt* s = Prepare("SELECT id FROM modules WHERE name = ?");
    if (s == nullptr) return std::nullopt;
    Reset reset{s};
    sqlite3_bind_text(s, 1, module.c_str(), -1, SQLITE_TRANSIENT);
    if (sqlite3_step(s) != SQLITE_ROW) return std::nullopt;
    return sqlite3_column_int64(s, 0);
}

// Labels, units and decimals are kept once per type and source; a reading of a type the store
// knows in another layout replaces it (the values are kept in the readings' own decimals).
bool Store::KeepLayout(const Reading& r) {
    if (r.type < 0 || r.channels.empty()) return true;
    std::vector<Channel> layout = r.channels;
    for (Channel& c : layout) c.value.reset();
    const std::pair<int, int> key{r.type, int(r.source)};
    if (auto it = layouts_.find(key); it != layouts_.end() && SameLayout(it->second, layout))
        return true;
    sqlite3_stmt* drop = Prepare("DELETE FROM channels WHERE type = ? AND source = ?");
    sqlite3_stmt* add = Prepare("INSERT INTO channels VALUES(?, ?, ?, ?, ?, ?)");
    if (drop == nullptr || add == nullptr) return false;
    {
        Reset reset{drop};
        sqlite3_bind_int(drop, 1, key.first);
        sqlite3_bind_int(drop, 2, key.second);
        if (sqlite3_step(drop) != SQLITE_DONE) return Fail("channels");
    }
    for (const Channel& c : layout) {
        Reset reset{add};
        sqlite3_bind_int(add, 1, key.first);
        sqlite3_bind_int(add, 2, key.second);
        sqlite3_bind_int(add, 3, c.index);
        sqlite3_bind_text(add, 4, c.label.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(add, 5, c.unit.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(add, 6, c.decimals);
        if (sqlite3_step(add) != SQLITE_DONE) return Fail("channels");
    }
    layouts_[key] = layout;
    return true;
}

Store::Added Store::Add(Reading& r, bool queue) {
    if (db_ == nullptr) return Added::Failed;
    // Inside a batch (Begin .. Commit) the batch's transaction holds the reading.
    if (sqlite3_get_autocommit(db_) == 0) return Insert(r, queue);
    if (!Exec("BEGIN IMMEDIATE")) return Added::Failed;
    Added added = Insert(r, queue);
    if (added == Added::Stored && !Exec("COMMIT")) added = Added::Failed;
    if (added != Added::Stored) Rollback();
    return added;
}

bool Store::Begin() {
    return db_ != nullptr && Exec("BEGIN IMMEDIATE");
}

bool Store::Commit() {
    return db_ != nullptr && Exec("COMMIT");
}

// The layouts kept in memory may name channels the rollback took away: they are read again.
void Store::Rollback() {
    if (db_ == nullptr || sqlite3_get_autocommit(db_) != 0) return;
    const std::string error = error_;
    Exec("ROLLBACK");
    layouts_.clear();
    LoadLayouts();
    error_ = error;
}

Store::Added Store::Insert(Reading& r, bool queue) {
    const std::optional<std::int64_t> module = ModuleId(r.module, true);
    if (!module || !KeepLayout(r)) return Added::Failed;
    const std::int64_t seq = State(r.module).lastSeq + 1;
    sqlite3_stmt* insert = Prepare(
        "INSERT INTO readings(module, seq, time_ms, source, type, v1, v2, v3, v4, v5, v6) "
        "VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT DO NOTHING");
    sqlite3_stmt* update = Prepare(
        "UPDATE modules SET last_seq = ?2, type = coalesce(?3, type), valued_ms = "
        "CASE WHEN ?4 THEN max(coalesce(valued_ms, ?5), ?5) ELSE valued_ms END WHERE id = ?1");
    sqlite3_stmt* enqueue = Prepare("INSERT INTO queue(reading) VALUES(?)");
    if (insert == nullptr || update == nullptr || enqueue == nullptr) return Added::Failed;
    {
        Reset reset{insert};
        sqlite3_bind_int64(insert, 1, *module);
        sqlite3_bind_int64(insert, 2, seq);
        sqlite3_bind_int64(insert, 3, r.timeMs);
        sqlite3_bind_int(insert, 4, int(r.source));
        if (r.type >= 0) sqlite3_bind_int(insert, 5, r.type);
        for (const Channel& c : r.channels)
            if (c.value && c.index >= 0 && c.index < kChannels)
                sqlite3_bind_int64(insert, 6 + c.index, std::llround(*c.value * Scale(c.decimals)));
        if (sqlite3_step(insert) != SQLITE_DONE) return Fail("readings"), Added::Failed;
        if (sqlite3_changes(db_) == 0) return Added::Duplicate;
    }
    const std::int64_t id = sqlite3_last_insert_rowid(db_);
    {
        Reset reset{update};
        sqlite3_bind_int64(update, 1, *module);
        sqlite3_bind_int64(update, 2, seq);
        if (r.type >= 0) sqlite3_bind_int(update, 3, r.type);
        sqlite3_bind_int(update, 4, r.HasValues() ? 1 : 0);
        sqlite3_bind_int64(update, 5, r.timeMs);
        if (sqlite3_step(update) != SQLITE_DONE) return Fail("modules"), Added::Failed;
    }
    if (queue) {
        Reset reset{enqueue};
        sqlite3_bind_int64(enqueue, 1, id);
        if (sqlite3_step(enqueue) != SQLITE_DONE) return Fail("queue"), Added::Failed;
    }
    r.id = id;
    r.seq = seq;
    return Added::Stored;
}

Store::ModuleState Store::State(const std::string& module) {
    ModuleState state;
    sqlite3_stmt* s = Prepare("SELECT last_seq, type, valued_ms FROM modules WHERE name = ?");
    if (s == nullptr) return state;
    Reset reset{s};
    sqlite3_bind_text(s, 1, module.c_str(), -1, SQLITE_TRANSIENT);
    if (sqlite3_step(s) != SQLITE_ROW) return state;
    state.lastSeq = sqlite3_column_int64(s, 0);
    if (sqlite3_column_type(s, 1) != SQLITE_NULL) state.type = sqlite3_column_int(s, 1);
    if (sqlite3_column_type(s, 2) != SQLITE_NULL) state.newestValued = sqlite3_column_int64(s, 2);
    return state;
}

std::vector<std::string> Store::Modules() {
    std::vector<std::string> names;
    sqlite3_stmt* s = Prepare("SELECT name FROM modules ORDER BY name");
    if (s == nullptr) return names;
    Reset reset{s};
    while (sqlite3_step(s) == SQLITE_ROW)
        names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)));
    return names;
}

Reading Store::FromRow(sqlite3_stmt* s, int first) {
    Reading r;
    r.id = sqlite3_column_int64(s, first);
    r.module = reinterpret_cast<const char*>(sqlite3_column_text(s, first + 1));
    r.seq = sqlite3_column_int64(s, first + 2);
    r.timeMs = sqlite3_column_int64(s, first + 3);
    r.source = sqlite3_column_int(s, first + 4) == 1 ? Source::Logger : Source::Live;
    r.type =
        sqlite3_column_type(s, first + 5) == SQLITE_NULL ? -1 : sqlite3_column_int(s, first + 5);
    if (auto it = layouts_.find({r.type, int(r.source)}); it != layouts_.end())
        r.channels = it->second;
    for (Channel& c : r.channels) {
        const int column = first + 6 + c.index;
        if (sqlite3_column_type(s, column) != SQLITE_NULL)
            c.value = double(sqlite3_column_int64(s, column)) / Scale(c.decimals);
    }
    return r;
}

std::vector<Reading> Store::Queued(std::int64_t afterId, int limit) {
    std::vector<Reading> readings;
    static const std::string sql = std::string("SELECT ") + kReadingColumns +
                                   " FROM queue q JOIN readings r ON r.id = q.reading"
                                   " JOIN modules m ON m.id = r.module"
                                   " WHERE q.reading > ? ORDER BY q.reading LIMIT ?";
    sqlite3_stmt* s = Prepare(sql.c_str());
    if (s == nullptr) return readings;
    Reset reset{s};
    sqlite3_bind_int64(s, 1, afterId);
    sqlite3_bind_int(s, 2, limit);
    while (sqlite3_step(s) == SQLITE_ROW) readings.push_back(FromRow(s, 0));
    return readings;
}

// An acknowledgement that a power cut takes away only sends its reading again: the queue's
// deletions are not synced.
bool Store::Dequeue(const std::vector<std::int64_t>& ids) {
    if (ids.empty()) return true;
    sqlite3_stmt* s = Prepare("DELETE FROM queue WHERE reading = ?");
    if (s == nullptr || !Exec("PRAGMA synchronous=NORMAL")) return false;
    struct Synced {
        Store* store;
        ~Synced() { store->Exec("PRAGMA synchronous=FULL"); }
    } synced{this};
    if (!Exec("BEGIN IMMEDIATE")) return false;
    for (std::int64_t id : ids) {
        Reset reset{s};
        sqlite3_bind_int64(s, 1, id);
        if (sqlite3_step(s) != SQLITE_DONE) {
            Fail("queue");
            Exec("ROLLBACK");
            return false;
        }
    }
    return Exec("COMMIT");
}

std::int64_t Store::QueueLength() {
    sqlite3_stmt* s = Prepare("SELECT count(*) FROM queue");
    if (s == nullptr) return 0;
    Reset reset{s};
    return sqlite3_step(s) == SQLITE_ROW ? sqlite3_column_int64(s, 0) : 0;
}

bool Store::AddGap(const std::string& module, const Gap& gap) {
    const auto id = ModuleId(module, true);
    sqlite3_stmt* s = Prepare("INSERT OR IGNORE INTO gaps VALUES(?, ?, ?)");
    if (!id || s == nullptr) return false;
    Reset reset{s};
    sqlite3_bind_int64(s, 1, *id);
    sqlite3_bind_int64(s, 2, gap.fromMs);
    sqlite3_bind_int64(s, 3, gap.toMs);
    return sqlite3_step(s) == SQLITE_DONE || Fail("gaps");
}

bool Store::RemoveGap(const std::string& module, const Gap& gap) {
    const auto id = ModuleId(module, false);
    if (!id) return true;  // a module the store never saw has no gaps
    sqlite3_stmt* s = Prepare("DELETE FROM gaps WHERE module = ? AND from_ms = ? AND to_ms = ?");
    if (s == nullptr) return false;
    Reset reset{s};
    sqlite3_bind_int64(s, 1, *id);
    sqlite3_bind_int64(s, 2, gap.fromMs);
    sqlite3_bind_int64(s, 3, gap.toMs);
    return sqlite3_step(s) == SQLITE_DONE || Fail("gaps");
}

std::vector<Store::Gap> Store::Gaps(const std::string& module) {
    std::vector<Gap> gaps;
    sqlite3_stmt* s = Prepare(
        "SELECT from_ms, to_ms FROM gaps JOIN modules ON modules.id = gaps.module "
        "WHERE name = ? ORDER BY from_ms");
    if (s == nullptr) return gaps;
    Reset reset{s};
    sqlite3_bind_text(s, 1, module.c_str(), -1, SQLITE_TRANSIENT);
    while (sqlite3_step(s) == SQLITE_ROW)
        gaps.push_back({sqlite3_column_int64(s, 0), sqlite3_column_int64(s, 1)});
    return gaps;
}

std::vector<std::vector<Channel>> Store::Layouts(const std::string& module, std::int64_t fromMs,
                                                 std::int64_t toMs) {
    std::vector<std::vector<Channel>> layouts;
    sqlite3_stmt* s = Prepare(
        "SELECT DISTINCT r.type, r.source FROM readings r JOIN modules m ON m.id = r.module"
        " WHERE m.name = ? AND r.time_ms >= ? AND r.time_ms < ? ORDER BY 2, 1");
    if (s == nullptr) return layouts;
    Reset reset{s};
    sqlite3_bind_text(s, 1, module.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_int64(s, 2, fromMs);
    sqlite3_bind_int64(s, 3, toMs);
    while (sqlite3_step(s) == SQLITE_ROW) {
        const int type = sqlite3_column_type(s, 0) == SQLITE_NULL ? -1 : sqlite3_column_int(s, 0);
        if (auto it = layouts_.find({type, sqlite3_column_int(s, 1)}); it != layouts_.end())
            layouts.push_back(it->second);
    }
    return layouts;
}

bool Store::ForEach(const std::string& module, std::int64_t fromMs, std::int64_t toMs,
                    const std::function<void(const Reading&)>& visit) {
    static const std::string sql = std::string("SELECT ") + kReadingColumns +
                                   " FROM readings r JOIN modules m ON m.id = r.module"
                                   " WHERE m.name = ? AND r.time_ms >= ? AND r.time_ms < ?"
                                   " ORDER BY r.time_ms, r.source";
    sqlite3_stmt* s = Prepare(sql.c_str());
    if (s == nullptr) return false;
    Reset reset{s};
    sqlite3_bind_text(s, 1, module.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_int64(s, 2, fromMs);
    sqlite3_bind_int64(s, 3, toMs);
    int rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) visit(FromRow(s, 0));
    return rc == SQLITE_DONE || Fail("readings");
}

}  // namespace ql50::store
