#pragma once
// The application: reads the command line, starts the virtual module when asked, and runs the
// main window modally until the user leaves it.
namespace ql50 {

class CHauptApp {
public:
    int Run(int argc, char** argv);
};

}  // namespace ql50
