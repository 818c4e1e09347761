#pragma once
// The virtual module behind a pseudo-terminal and a conversation that has the terminal open,
// as the program runs with --simulate. The module answers at once and unpaced, so what is
// measured is the program's own channel: the monitor thread, the hand-over of every byte to
// the owner's thread, frame assembly and dispatch.
//
// Needs a QCoreApplication; the calling thread is the conversation's (the "GUI") thread.
#include "conversation/CConversation.h"
#include "sim/PtyServer.h"
#include "sim/VirtualModule.h"

namespace ql50::bench {

class ModuleOnPty {
public:
    // Throws std::runtime_error when the terminal cannot be set up or opened.
    ModuleOnPty();

    sim::VirtualModule& module() { return module_; }
    CConversation& conversation() { return conversation_; }

private:
    // Declared in this order so that the conversation closes its port before the server
    // closes the terminal, and the server stops before the module goes.
    sim::VirtualModule module_;
    sim::PtyServer server_{module_};
    CConversation conversation_;
};

}  // namespace ql50::bench
