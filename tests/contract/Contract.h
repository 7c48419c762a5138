#pragma once
// A small test framework for the contract tests. The same test files are
// compiled natively against the simulated Windows and with mingw against the
// real binding (run under Wine), so it depends on nothing but the standard
// library. Each test gets a fresh backend: an empty scratch folder and an
// empty scratch registry key.

#include <cstdio>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/System.h"

namespace contract {

class Backend {
public:
    virtual ~Backend() = default;
    virtual platform::System& System() = 0;
    virtual platform::FileLocks& Locks() = 0;
    // An empty folder for this test: a full path without a trailing backslash.
    virtual std::string Scratch() = 0;
    // The path below HKEY_CURRENT_USER of an empty key for this test.
    virtual std::string ScratchKey() = 0;
    // True on 64-bit Windows (where a 32-bit program runs under WOW64).
    virtual bool Is64BitWindows() = 0;
};

// Provided once per build: the simulation or the real binding.
std::unique_ptr<Backend> MakeBackend(int testNumber);
const char* BackendName();

struct TestCase {
    const char* suite;
    const char* name;
    void (*body)(Backend&);
};

std::vector<TestCase>& Registry();
void ReportFailure(const char* file, int line, const std::string& what);

struct Registrar {
    Registrar(const char* suite, const char* name, void (*body)(Backend&)) {
        Registry().push_back({suite, name, body});
    }
};

template <typename A, typename B>
std::string Describe(const char* a, const char* b, const A& va, const B& vb) {
    std::ostringstream out;
    out << a << " == " << b << "\n    left:  " << va << "\n    right: " << vb;
    return out.str();
}

}  // namespace contract

#define CONTRACT_CAT2(a, b) a##b
#define CONTRACT_CAT(a, b) CONTRACT_CAT2(a, b)
#define CONTRACT_TEST(suite, name)                                                               \
    static void CONTRACT_CAT(contract_##suite##_, name)(contract::Backend & backend);            \
    static contract::Registrar CONTRACT_CAT(contract_reg_##suite##_, name)(#suite, #name,        \
                                                                           &CONTRACT_CAT(contract_##suite##_, name)); \
    static void CONTRACT_CAT(contract_##suite##_, name)([[maybe_unused]] contract::Backend & backend)

#define CHECK(cond)                                                                   \
    do {                                                                              \
        if (!(cond)) contract::ReportFailure(__FILE__, __LINE__, "CHECK(" #cond ")"); \
    } while (0)

#define CHECK_EQ(a, b)                                                                                 \
    do {                                                                                               \
        const auto& contract_va = (a);                                                                 \
        const auto& contract_vb = (b);                                                                 \
        if (!(contract_va == contract_vb))                                                             \
            contract::ReportFailure(__FILE__, __LINE__, contract::Describe(#a, #b, contract_va, contract_vb)); \
    } while (0)
