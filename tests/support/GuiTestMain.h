// The main() of a GUI test binary: GoogleTest on a widget application on the offscreen
// platform, with the program's font substitutions.
#pragma once

namespace ql50::test {

// Sets QT_QPA_PLATFORM=offscreen before the application object exists, creates it, and runs
// every test. Windows closing never quits the application. Returns the tests' exit code.
int RunGuiTests(int argc, char** argv);

}  // namespace ql50::test
