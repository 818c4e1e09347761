#include "acquire/Payload.h"

#include "acquire/Config.h"
#include "link/Format.h"

namespace ql50::acquire {

std::string ReadingJson(const store::Reading& r) {
    std::string json = "{\"module\":" + JsonString(r.module) + ",\"seq\":" + std::to_string(r.seq) +
                       ",\"time\":\"" + store::IsoTime(r.timeMs) + "\",\"source\":\"" +
                       store::SourceName(r.source) +
                       "\",\"type\":" + (r.type < 0 ? "null" : std::to_string(r.type)) +
                       ",\"values\":[";
    for (std::size_t i = 0; i < r.channels.size(); ++i) {
        const store::Channel& c = r.channels[i];
        json += (i > 0 ? ",{\"label\":" : "{\"label\":") + JsonString(c.label) +
                ",\"value\":" + (c.value ? FormatFixed(*c.value, c.decimals) : "null") +
                ",\"unit\":" + JsonString(c.unit) + "}";
    }
    return json + "]}";
}

std::string ReadingTopic(const std::string& prefix, const std::string& module) {
    return prefix + "/" + module + "/reading";
}

std::string StatusTopic(const std::string& prefix, const std::string& module) {
    return prefix + "/" + module + "/status";
}

std::string ServiceTopic(const std::string& prefix, const std::string& clientId) {
    return prefix + "/" + std::string(kServiceTopicName) + "/" + clientId;
}

std::string StatusText(LineState state, std::int64_t sinceMs) {
    switch (state) {
        case LineState::Online:
            return "online";
        case LineState::NoReply:
            return "no reply since " + store::IsoTime(sinceMs);
        case LineState::LineLost:
            return "line lost since " + store::IsoTime(sinceMs);
    }
    return "online";
}

}  // namespace ql50::acquire
