// The text of the channel's error box: its layout is fixed byte for byte and it is cut to fit
// the 200-byte buffer it was always composed in.
#include <string>

#include "gtest/gtest.h"
#include "link/CComPort.h"

namespace ql50 {
namespace {

TEST(ComposeError, LayoutIsByteExact) {
    EXPECT_EQ(CComPort::ComposeError("SetCommState()", "Invalid argument\n", 3),
              "WARNING:  SetCommState() Failed with the following error: \n"
              "Invalid argument\n\nPort: 3\n");
    EXPECT_EQ(CComPort::ComposeError("", "", 0),
              "WARNING:   Failed with the following error: \n\nPort: 0\n");
    EXPECT_EQ(CComPort::ComposeError("ReadFile()", "hang-up\n", -12),
              "WARNING:  ReadFile() Failed with the following error: \nhang-up\n\nPort: -12\n");
}

TEST(ComposeError, LongTextIsCutTo199Bytes) {
    const std::string reason(300, 'x');
    const std::string full =
        "WARNING:  WriteFile() Failed with the following error: \n" + reason + "\nPort: 4\n";
    const std::string text = CComPort::ComposeError("WriteFile()", reason, 4);
    ASSERT_EQ(text.size(), 199u);
    EXPECT_EQ(text, full.substr(0, 199));

    // Exactly 199 bytes fit whole; one more is cut.
    const std::string frame = "WARNING:  A Failed with the following error: \n\nPort: 1\n";
    const std::string fits(199 - frame.size(), 'y');
    EXPECT_EQ(CComPort::ComposeError("A", fits, 1).size(), 199u);
    EXPECT_EQ(CComPort::ComposeError("A", fits, 1).back(), '\n');
    const std::string cut = CComPort::ComposeError("A", fits + "y", 1);
    EXPECT_EQ(cut.size(), 199u);
    EXPECT_EQ(cut.substr(cut.size() - 8), "\nPort: 1");
}

}  // namespace
}  // namespace ql50
