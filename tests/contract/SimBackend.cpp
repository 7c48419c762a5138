// The contract tests' backend on the simulated Windows: a fresh machine per
// test, with a scratch folder on drive C: and a scratch key under
// HKEY_CURRENT_USER.
#include <memory>

#include "platform/sim/Machine.h"
#include "tests/contract/Contract.h"

namespace contract {

namespace {

class SimBackend final : public Backend {
public:
    explicit SimBackend(int number) {
        scratch_ = "C:\\contract\\t" + std::to_string(number);
        machine_.files.AddFolder(scratch_);
        machine_.env.SetProgram("C:\\contract\\contract_tests.exe");
        key_ = "Software\\ContractTests\\t" + std::to_string(number);
        platform::RegKey key = 0;
        if (machine_.registry.CreateKey(platform::kCurrentUser, key_, key) == platform::err::Success)
            machine_.registry.CloseKey(key);
    }

    platform::System& System() override { return machine_.System(); }
    platform::FileLocks& Locks() override { return machine_.files; }
    std::string Scratch() override { return scratch_; }
    std::string ScratchKey() override { return key_; }
    bool Is64BitWindows() override { return false; }

private:
    sim::Machine machine_;
    std::string scratch_;
    std::string key_;
};

}  // namespace

std::unique_ptr<Backend> MakeBackend(int testNumber) { return std::make_unique<SimBackend>(testNumber); }
const char* BackendName() { return "sim"; }

}  // namespace contract
