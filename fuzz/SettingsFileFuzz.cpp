// config.ini: reading any bytes, and writing what was read and reading it again.
//
// Whatever a file holds, the settings written at exit read back the same at the next start,
// with one exception the file's format forces: PORT is written as a signed decimal but read as
// the single character after "PORT=". Reading gives an index outside 0 to 9 only for a
// hand-made file with some other character there (the Setup dialog offers 0 to 3); written and
// read again, such an index becomes its first character's distance from '0' (17 becomes 1, -1
// becomes '-' - '0') and stays that from then on.
#include <string>
#include <string_view>

#include "formats/SettingsFile.h"
#include "fuzz/Check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace ql50;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    QL50_FUZZ_CHECK(JoinSettingsLines(bytes).size() <= size);

    const Settings read = ParseSettings(bytes);
    const std::string written = FormatSettings(read);
    const Settings again = ParseSettings(written);

    Settings expected = read;
    expected.portIndex = static_cast<std::int8_t>(std::to_string(read.portIndex)[0] - '0');
    QL50_FUZZ_CHECK(again == expected);
    QL50_FUZZ_CHECK(ParseSettings(FormatSettings(again)) == again);
    return 0;
}
