#include "app/CHauptApp.h"

int main(int argc, char** argv) {
    ql50::CHauptApp app;
    return app.Run(argc, argv);
}
