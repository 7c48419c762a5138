// What the setup relies on of its own process: the arguments as the C
// run-time splits them, its module path, string loading by number, the
// IsWow64Process lookup and the ANSI code page.
#include "tests/contract/Contract.h"

CONTRACT_TEST(Process, ArgumentsAreTheCommandLineSplitByTheRunTimeRules) {
    auto& env = backend.System().env;
    const auto arguments = env.Arguments();
    CHECK(!arguments.empty());
    CHECK_EQ(platform::SplitCommandLine(env.CommandLine()).size(), arguments.size());
    CHECK(platform::SplitCommandLine(env.CommandLine()) == arguments);
}

CONTRACT_TEST(Process, ModuleFileNameIsTheFullPathCutToTheBuffer) {
    auto& env = backend.System().env;
    const std::string path = env.ModuleFileName(260);
    CHECK(path.size() > 3);
    CHECK_EQ(path.substr(1, 2), std::string(":\\"));
    CHECK_EQ(path.substr(path.size() - 4), std::string(".exe"));
    CHECK_EQ(env.ModuleFileName(5), path.substr(0, 4));
}

CONTRACT_TEST(Process, StringsLoadByNumberAndAreCutToTheBuffer) {
    auto& resources = backend.System().resources;
    resources.UseOwnModule();
    CHECK_EQ(resources.LoadString(2, 128), std::string("Lumetra Setup"));
    CHECK_EQ(resources.LoadString(2, 5), std::string("Lume"));
    CHECK_EQ(resources.LoadString(57344, 128), std::string("Lumetra Setup"));
    CHECK_EQ(resources.LoadString(5, 128), std::string());  // no string 5
}

CONTRACT_TEST(Process, IsWow64ProcessIsFoundAndAnswersForThisWindows) {
    auto& env = backend.System().env;
    const platform::ProcAddress isWow64 = env.FindKernel32Export("IsWow64Process");
    CHECK(isWow64 != 0);
    CHECK_EQ(env.FindKernel32Export("NoSuchFunctionAnywhere"), platform::ProcAddress{0});
    const auto answer = env.CallIsWow64Process(isWow64);
    CHECK(answer.has_value());
    CHECK_EQ(answer.value_or(false), backend.Is64BitWindows());
}

CONTRACT_TEST(Process, TheDefaultAnsiCodePageHasNoLeadBytes) {
    auto& codePage = backend.System().codePage;
    int leadBytes = 0;
    for (int byte = 0; byte < 256; ++byte) leadBytes += codePage.IsLeadByte(static_cast<unsigned char>(byte)) ? 1 : 0;
    CHECK_EQ(leadBytes, 0);
}
