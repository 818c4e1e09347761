// The main() of every GUI test binary.
#include "support/GuiTestMain.h"

int main(int argc, char** argv) {
    return ql50::test::RunGuiTests(argc, argv);
}
