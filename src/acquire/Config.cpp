#include "acquire/Config.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <set>

#include "link/LineRates.h"

namespace ql50::acquire {
namespace {

std::string_view Trim(std::string_view s) {
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

// A comment starts with ";" or "#" at the start of the line or after a blank, so a value may
// hold either character (a password file "a;b").
std::string_view StripComment(std::string_view line) {
    for (std::size_t i = 0; i < line.size(); ++i)
        if ((line[i] == ';' || line[i] == '#') &&
            (i == 0 || line[i - 1] == ' ' || line[i - 1] == '\t'))
            return line.substr(0, i);
    return line;
}

// A whole number in [low, high], or an error message.
std::optional<std::string> Number(const std::string& v, int low, int high, int& out) {
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    if (v.empty() || v.size() > 9 || !std::all_of(v.begin(), v.end(), digit) ||
        std::stoi(v) < low || std::stoi(v) > high)
        return "'" + v + "' is no whole number from " + std::to_string(low) + " to " +
               std::to_string(high);
    out = std::stoi(v);
    return std::nullopt;
}

bool NameFits(std::string_view name) {
    return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.';
    });
}

// The file's bytes; on failure `error` says why ("PATH: reason").
std::string ReadFile(const std::string& path, std::string* error) {
    errno = 0;
    std::error_code ignored;
    std::ifstream in(path, std::ios::binary);
    if (!in || std::filesystem::is_directory(path, ignored)) {
        *error = path + ": " + std::strerror(errno != 0 ? errno : EISDIR);
        return {};
    }
    return {std::istreambuf_iterator<char>(in), {}};
}

std::string HostName() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return "localhost";
    return name;
}

struct Parser {
    const std::string& file;
    ConfigResult result;
    std::string section;  // "store", "mqtt" or "module"
    std::set<std::string> seenSections, seenKeys;
    int line = 0;

    std::string Resolve(const std::string& name) const {
        if (name.empty() || name[0] == '/') return name;
        return (std::filesystem::path(file).parent_path() / name).string();
    }

    using Setter = std::function<std::optional<std::string>(Parser&, const std::string&)>;
    static const std::map<std::string, std::map<std::string, Setter>>& Keys();

    void Fail(std::string key, std::string message, int at = -1) {
        if (!result.error)
            result.error =
                ConfigError{file, at < 0 ? line : at, std::move(key), std::move(message)};
    }
    void Section(std::string_view header);
    void Assignment(std::string_view text);
    void Finish();
};

MqttConfig& Mqtt(Parser& p) {
    return *p.result.config.mqtt;
}
ModuleConfig& Module(Parser& p) {
    return p.result.config.modules.back();
}

const std::map<std::string, std::map<std::string, Parser::Setter>>& Parser::Keys() {
    using R = std::optional<std::string>;
    static const std::map<std::string, std::map<std::string, Setter>> keys{
        {"store",
         {{"path",
           [](Parser& p, const std::string& v) -> R {
               p.result.config.storePath = p.Resolve(v);
               return std::nullopt;
           }}}},
        {"mqtt",
         {{"host",
           [](Parser& p, const std::string& v) -> R { return Mqtt(p).host = v, std::nullopt; }},
          {"port",
           [](Parser& p, const std::string& v) { return Number(v, 1, 65535, Mqtt(p).port); }},
          {"prefix",
           [](Parser& p, const std::string& v) -> R {
               if (v.find_first_of("+#") != std::string::npos || v.front() == '/' ||
                   v.back() == '/')
                   return "a topic prefix holds no '+' or '#' and neither starts nor ends with '/'";
               return Mqtt(p).prefix = v, std::nullopt;
           }},
          {"client_id",
           [](Parser& p, const std::string& v) -> R {
               if (!NameFits(v)) return "letters, digits, '_', '-' and '.' only";
               return Mqtt(p).clientId = v, std::nullopt;
           }},
          {"credentials",
           [](Parser& p, const std::string& v) -> R {
               std::string error;
               const std::string text = ReadFile(p.Resolve(v), &error);
               if (!error.empty()) return error;
               const auto end = text.find('\n');
               const std::string user{Trim(text.substr(0, end))};
               if (user.empty()) return p.Resolve(v) + ": no user name on its first line";
               Mqtt(p).user = user;
               const std::string rest = end == std::string::npos ? "" : text.substr(end + 1);
               Mqtt(p).password = std::string(Trim(rest.substr(0, rest.find('\n'))));
               return std::nullopt;
           }},
          {"ca_file",
           [](Parser& p, const std::string& v) -> R {
               std::string error;
               ReadFile(p.Resolve(v), &error);
               if (!error.empty()) return error;
               return Mqtt(p).caFile = p.Resolve(v), std::nullopt;
           }},
          {"keepalive",
           [](Parser& p, const std::string& v) {
               return Number(v, 5, 3600, Mqtt(p).keepaliveSeconds);
           }}}},
        {"module",
         {{"port",
           [](Parser& p, const std::string& v) -> R {
               if (v == "simulate") return Module(p).simulateType = 7, std::nullopt;
               if (v.rfind("simulate=", 0) == 0) {
                   int type = 0;
                   if (auto e = Number(v.substr(9), 0, 7, type)) return "simulate=TYPE: " + *e;
                   return Module(p).simulateType = type, std::nullopt;
               }
               return Module(p).port = v, std::nullopt;
           }},
          {"address",
           [](Parser& p, const std::string& v) { return Number(v, 0, 31, Module(p).address); }},
          {"baud",
           [](Parser& p, const std::string& v) -> R {
               int baud = 0;
               if (auto e = Number(v, 50, 4000000, baud)) return e;
               if (!IsSupportedLineRate(baud)) return "the line cannot be set to " + v + " baud";
               return Module(p).baud = baud, std::nullopt;
           }},
          {"period",
           [](Parser& p, const std::string& v) {
               return Number(v, 1, 86400, Module(p).periodSeconds);
           }}}},
    };
    return keys;
}

void Parser::Section(std::string_view header) {
    const std::string text{Trim(header)};
    seenKeys.clear();
    if (text == "store" || text == "mqtt") {
        section = text;
        if (!seenSections.insert(text).second) return Fail(text, "a second [" + text + "] section");
        if (text == "mqtt") result.config.mqtt = MqttConfig{};
        return;
    }
    if (text.rfind("module", 0) != 0 || text.size() < 7 || (text[6] != ' ' && text[6] != '\t'))
        return Fail(text, "unknown section [" + text + "]: [store], [mqtt] or [module NAME]");
    section = "module";
    const std::string name{Trim(std::string_view(text).substr(7))};
    if (!NameFits(name) || name == kServiceTopicName)
        return Fail(text, "a module's name is letters, digits, '_', '-' and '.', and not '" +
                              std::string(kServiceTopicName) + "'");
    if (!seenSections.insert("module " + name).second)
        return Fail(text, "a second module called " + name);
    ModuleConfig module;
    module.name = name;
    module.line = line;
    result.config.modules.push_back(module);
}

void Parser::Assignment(std::string_view text) {
    const auto eq = text.find('=');
    if (eq == std::string_view::npos) return Fail("", "expected KEY = VALUE or [SECTION]");
    const std::string key{Trim(text.substr(0, eq))};
    const std::string value{Trim(text.substr(eq + 1))};
    if (section.empty()) return Fail(key, "a key before the first [section]");
    const auto& keys = Keys().at(section);
    const auto setter = keys.find(key);
    if (setter == keys.end()) {
        std::string known;
        for (const auto& [name, unused] : keys) known += (known.empty() ? "" : ", ") + name;
        return Fail(key, "unknown key in [" + section + "] (known: " + known + ")");
    }
    if (!seenKeys.insert(key).second) return Fail(key, "given twice in this section");
    if (value.empty()) return Fail(key, "needs a value");
    if (auto error = setter->second(*this, value)) return Fail(key, *error);
}

// What no single line shows: modules without a port, and modules that share a line.
void Parser::Finish() {
    Config& c = result.config;
    if (c.modules.empty()) return Fail("", "no [module NAME] section: nothing to poll", 0);
    for (std::size_t i = 0; i < c.modules.size(); ++i) {
        const ModuleConfig& m = c.modules[i];
        const std::string key = "module " + m.name;
        if (m.port.empty() && !m.simulateType) return Fail(key, "has no port", m.line);
        for (std::size_t j = 0; j < i && !m.port.empty(); ++j) {
            const ModuleConfig& other = c.modules[j];
            if (other.port != m.port) continue;
            if (other.baud != m.baud)
                return Fail(key,
                            "shares " + m.port + " with " + other.name + " at another baud rate",
                            m.line);
            if (other.address == m.address || m.address == 0 || other.address == 0)
                return Fail(key,
                            "shares " + m.port + " with " + other.name +
                                ": modules on one line need addresses of their own (1 to 31)",
                            m.line);
        }
    }
    if (c.mqtt && c.mqtt->clientId.empty()) c.mqtt->clientId = "ql50d-" + HostName();
}

}  // namespace

std::string ConfigError::Text() const {
    std::string text = file;
    if (line > 0) text += ":" + std::to_string(line);
    text += ": ";
    if (!key.empty()) text += key + ": ";
    return text + message;
}

ConfigResult ParseConfig(std::string_view text, const std::string& file) {
    Parser p{file, {}, {}, {}, {}, 0};
    std::size_t start = 0;
    while (start <= text.size() && !p.result.error) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        ++p.line;
        const std::string_view content = Trim(StripComment(text.substr(start, end - start)));
        start = end + 1;
        if (content.empty()) continue;
        if (content.front() == '[') {
            if (content.back() != ']')
                p.Fail(std::string(content), "a section header ends with ']'");
            else
                p.Section(content.substr(1, content.size() - 2));
        } else {
            p.Assignment(content);
        }
    }
    if (!p.result.error) p.Finish();
    return p.result;
}

ConfigResult LoadConfig(const std::string& path) {
    std::string error;
    const std::string text = ReadFile(path, &error);
    if (!error.empty()) return {{}, ConfigError{path, 0, "", error.substr(path.size() + 2)}};
    return ParseConfig(text, path);
}

}  // namespace ql50::acquire
