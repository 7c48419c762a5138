// Runs every contract test (or those whose "Suite.Name" contains one of the
// arguments) with a fresh backend each, and ends with "N passed, N failed".
#include <cstring>

#include "tests/contract/Contract.h"

namespace contract {

namespace {
int g_failuresInTest = 0;
}

std::vector<TestCase>& Registry() {
    static std::vector<TestCase> tests;
    return tests;
}

void ReportFailure(const char* file, int line, const std::string& what) {
    ++g_failuresInTest;
    std::printf("  %s:%d: %s\n", file, line, what.c_str());
}

}  // namespace contract

namespace {

bool Selected(const std::string& fullName, int argc, char** argv) {
    if (argc <= 1) return true;
    for (int i = 1; i < argc; ++i) {
        if (fullName.find(argv[i]) != std::string::npos) return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    int passed = 0;
    int failed = 0;
    int number = 0;
    for (const auto& test : contract::Registry()) {
        std::string fullName = std::string(test.suite) + "." + test.name;
        if (!Selected(fullName, argc, argv)) continue;
        contract::g_failuresInTest = 0;
        {
            auto backend = contract::MakeBackend(++number);
            test.body(*backend);
        }
        if (contract::g_failuresInTest == 0) {
            ++passed;
            std::printf("[ ok ] %s\n", fullName.c_str());
        } else {
            ++failed;
            std::printf("[FAIL] %s\n", fullName.c_str());
        }
        std::fflush(stdout);
    }
    std::printf("%s: %d passed, %d failed\n", contract::BackendName(), passed, failed);
    return failed == 0 && passed > 0 ? 0 : 1;
}
