#pragma once
// How an operation on the module ended. Every operation returns one; the front ends (windows,
// ql50-cli, ql50d) turn it into their own messages and exit statuses.
#include <string_view>

namespace ql50 {

enum class Outcome {
    Done,          // the module answered every request the operation examines
    NoReply,       // a request the operation examines went unanswered
    LineLost,      // the line went away during the operation (hang-up, unplugged adapter)
    NoPort,        // the line could not be opened
    Refused,       // the input cannot be held by the module: nothing was sent
    Empty,         // the data logger holds no records
    Short,         // a logger read-out ended with fewer records than the module announced
    NotConfirmed,  // every write was answered, but the module holds other values than written
    FileError,     // a file of the operation could not be written
    Stopped,       // ended by the caller
};

// A short English name ("done", "no reply", ...), for logs and the service's status.
std::string_view OutcomeName(Outcome outcome);

}  // namespace ql50
