#pragma once
// What ql50d publishes: the topics and the JSON of a reading, and the status texts.
//
//   <prefix>/<module>/reading    one JSON object per reading, QoS 1
//   <prefix>/<module>/status     retained: "online", "no reply since <time>",
//                                "line lost since <time>"
//   <prefix>/service/<client id> retained: "online"; the last will "offline"
//
// A reading:
//   {"module":"tank1","seq":17,"time":"2024-05-01T10:00:02.345+02:00","source":"live",
//    "type":7,"values":[{"label":"Saturation","value":98.5,"unit":"%"}, ...]}
// with "value":null where no value came, and "type":null while the module never answered.
#include <cstdint>
#include <string>

#include "store/Reading.h"

namespace ql50::acquire {

std::string ReadingJson(const store::Reading& reading);

std::string ReadingTopic(const std::string& prefix, const std::string& module);
std::string StatusTopic(const std::string& prefix, const std::string& module);
std::string ServiceTopic(const std::string& prefix, const std::string& clientId);

// How a module answers.
enum class LineState { Online, NoReply, LineLost };
std::string StatusText(LineState state, std::int64_t sinceMs);

}  // namespace ql50::acquire
