// Test runner of the dialog layer's tests.
#include "support/GuiTestMain.h"

int main(int argc, char** argv) {
    return ql50::test::RunGuiTests(argc, argv);
}
