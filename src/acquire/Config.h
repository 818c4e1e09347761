#pragma once
// The configuration of ql50d: one INI file.
//
//   [store]
//   path = /var/lib/ql50/readings.db       ; the SQLite file
//   [mqtt]                                  ; optional: no section, no publishing
//   host = localhost
//   port = 1883
//   prefix = ql50
//   client_id = ql50d-plant1               ; default ql50d-<host name>
//   credentials = /etc/ql50/mqtt.secret    ; user name on the first line, password on the second
//   ca_file = /etc/ssl/certs/broker-ca.pem ; TLS with this CA
//   keepalive = 30
//   [module tank1]                          ; one section per module
//   port = /dev/ttyUSB0                     ; or simulate, or simulate=TYPE
//   address = 1
//   baud = 4800
//   period = 2                              ; seconds between poll cycles
//
// A comment starts with ";" or "#" at the start of a line or after a blank. Anything the
// parser does not understand (an unknown section or key, a value out of range, a key twice, two
// modules with one address on one line) is an error that names the file, the line and the key,
// and the service does not start.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ql50::acquire {

struct ModuleConfig {
    std::string name;
    std::string port;                 // the device; empty for a virtual module
    std::optional<int> simulateType;  // port = simulate[=TYPE]: a built-in virtual module
    int address = 1;
    int baud = 4800;
    int periodSeconds = 2;
    int line = 0;  // of the section header, for messages
};

struct MqttConfig {
    std::string host = "localhost";
    int port = 1883;
    std::string prefix = "ql50";
    std::string clientId;  // MQTT client identifier; it also names the service's status topic
    std::optional<std::string> user, password;
    std::string caFile;  // empty: no TLS
    int keepaliveSeconds = 30;
};

struct Config {
    std::string storePath = "/var/lib/ql50/readings.db";
    std::optional<MqttConfig> mqtt;
    std::vector<ModuleConfig> modules;
};

struct ConfigError {
    std::string file;
    int line = 0;     // 0: the file as a whole
    std::string key;  // the key or section concerned; may be empty
    std::string message;
    // "FILE:LINE: KEY: MESSAGE".
    std::string Text() const;
};

struct ConfigResult {
    Config config;
    std::optional<ConfigError> error;
};

// Parses the text of a configuration file; `file` names it in errors and is the base of
// relative file names in it (credentials, ca_file).
ConfigResult ParseConfig(std::string_view text, const std::string& file);
// Reads and parses the file.
ConfigResult LoadConfig(const std::string& path);

// The name of the service's own status topic: modules cannot be called so.
inline constexpr std::string_view kServiceTopicName = "service";

}  // namespace ql50::acquire
