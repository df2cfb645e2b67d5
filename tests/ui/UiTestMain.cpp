// vedra_ui_tests CLASS [QTest options]: runs the window test class CLASS; without
// a known class it lists the classes and fails.
#include "UiTestRegistry.h"

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace vedra::uitest {
namespace {

std::map<std::string, TestClassRunner>& testClasses()
{
    static std::map<std::string, TestClassRunner> classes;
    return classes;
}

} // namespace

bool registerTestClass(const char* name, TestClassRunner run)
{
    return testClasses().emplace(name, run).second;
}

} // namespace vedra::uitest

int main(int argc, char* argv[])
{
    const auto& classes = vedra::uitest::testClasses();
    const auto picked = argc > 1 ? classes.find(argv[1]) : classes.end();
    if (picked == classes.end()) {
        std::fprintf(stderr, "usage: %s TEST_CLASS [QTest options]\nTest classes:\n", argv[0]);
        for (const auto& entry : classes)
            std::fprintf(stderr, "  %s\n", entry.first.c_str());
        return 2;
    }
    // QTest reads its options after the program's name: the class's name goes.
    std::vector<char*> arguments{argv[0]};
    arguments.insert(arguments.end(), argv + 2, argv + argc);
    arguments.push_back(nullptr);
    int count = argc - 1;
    return picked->second(count, arguments.data());
}
