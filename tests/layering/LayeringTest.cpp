// Every source file includes only its own layer and the layers below it. The build enforces
// this through per-library include views; this test states the rule once more, independently,
// and names the offending line.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Layer {
    std::string folder;                // relative to the source root
    std::set<std::string> mayInclude;  // first path parts of quoted includes
};

// Above the operations nothing talks to the module itself: no window, tool or service sees
// the conversation.
const std::set<std::string> kBelowUi{"operations", "formats", "link", "tables"};

std::set<std::string> With(std::set<std::string> base, std::initializer_list<std::string> more) {
    base.insert(more);
    return base;
}

const std::vector<Layer>& Layers() {
    static const std::vector<Layer> layers{
        {"src/tables", {"tables"}},
        {"src/link", {"link", "tables"}},
        {"src/formats", {"formats", "link", "tables"}},
        {"src/conversation", {"conversation", "link", "tables"}},
        {"src/operations", {"operations", "conversation", "formats", "link", "tables"}},
        {"src/care", {"care", "formats", "link", "tables"}},
        {"src/ui", With(kBelowUi, {"ui"})},
        {"src/logger", With(kBelowUi, {"ui", "logger"})},
        {"src/calibration", With(kBelowUi, {"ui", "care", "calibration"})},
        {"src/config", With(kBelowUi, {"ui", "config"})},
        {"src/factory", With(kBelowUi, {"ui", "factory"})},
        {"src/trend", With(kBelowUi, {"ui", "trend"})},
        {"src/store", {"store"}},
        {"src/acquire", With(kBelowUi, {"acquire", "store", "sim"})},
        {"src/cli", With(kBelowUi, {"care", "cli", "store", "sim"})},
        {"src/app", With(kBelowUi, {"ui", "logger", "calibration", "care", "config", "factory",
                                    "trend", "app", "sim"})},
        {"sim", {"sim", "link", "tables"}},
        {"fuzz", {"fuzz", "sim", "formats", "link", "tables"}},
    };
    return layers;
}

// "file:line: #include ..." for every quoted include of a folder the layer may not use.
std::vector<std::string> Violations(const Layer& layer) {
    static const std::regex include(R"(^\s*#\s*include\s*"([^/"]+)/)");
    std::vector<std::string> found;
    const fs::path root = fs::path(QL50_SOURCE_DIR) / layer.folder;
    if (!fs::exists(root)) return found;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string ext = entry.path().extension().string();
        if (ext != ".h" && ext != ".cpp") continue;
        std::ifstream in(entry.path());
        std::string line;
        for (int number = 1; std::getline(in, line); ++number) {
            std::smatch m;
            if (std::regex_search(line, m, include) && !layer.mayInclude.contains(m[1].str()))
                found.push_back(entry.path().string() + ":" + std::to_string(number) + ": " + line);
        }
    }
    return found;
}

void PrintTo(const Layer& layer, std::ostream* os) {
    *os << layer.folder;
}

class Layering : public ::testing::TestWithParam<Layer> {};

TEST_P(Layering, IncludesOnlyItsOwnAndLowerLayers) {
    for (const std::string& v : Violations(GetParam())) ADD_FAILURE() << v;
}

// The requests of the module (ql50::req) are named only where the module is spoken to.
TEST(Requests, AreNamedOnlyBelowTheOperations) {
    static const std::regex request(R"(\breq::\w)");
    const fs::path root = fs::path(QL50_SOURCE_DIR) / "src";
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string folder = entry.path().parent_path().filename().string();
        if (!entry.is_regular_file() || folder == "link" || folder == "operations") continue;
        std::ifstream in(entry.path());
        std::string line;
        for (int number = 1; std::getline(in, line); ++number)
            if (std::regex_search(line, request))
                ADD_FAILURE() << entry.path().string() << ":" << number << ": " << line;
    }
}

// A text the user sees in both languages is an entry of the text tables (src/tables), chosen
// with Tx: no inline choice by language next to a string literal, and no pair helper of its own.
TEST(Texts, AreChosenByLanguageOnlyInTheTables) {
    // lang == 1 ? "..."; Say(german, english); {"Wort", "word"}; kWhy[reason][lang];
    // text.In(language).
    static const std::regex choice(
        R"(\w*[lL]ang(uage)?\s*(\(\))?\s*[=!]=\s*\d\s*\)?\s*\?\s*(\w+(::\w+)*\(\s*)?"|)"
        R"(char\s*\*\s*(const\s+)?(german|english)\b|)"
        R"(array<\s*const char\s*\*\s*,\s*2\s*>|)"
        R"(char\s*\*\s*(const\s+)?\w+\s*\[\w*\]\s*\[\s*2\s*\]|)"
        R"(\bIn\s*\(\s*int\b)");
    const fs::path root = fs::path(QL50_SOURCE_DIR) / "src";
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string ext = entry.path().extension().string();
        if ((ext != ".h" && ext != ".cpp") || entry.path().parent_path().filename() == "tables")
            continue;
        std::ifstream in(entry.path());
        const std::string text{std::istreambuf_iterator<char>(in), {}};
        for (auto m = std::sregex_iterator(text.begin(), text.end(), choice);
             m != std::sregex_iterator(); ++m) {
            const auto at = text.begin() + m->position();
            ADD_FAILURE() << entry.path().string() << ":" << 1 + std::count(text.begin(), at, '\n')
                          << ": " << m->str();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Folders, Layering, ::testing::ValuesIn(Layers()), [](const auto& p) {
    std::string name = p.param.folder;
    for (char& c : name)
        if (c == '/') c = '_';
    return name;
});

}  // namespace
