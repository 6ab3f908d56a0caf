// open_fault.cpp - the test seam's storage: read from every thread, written only between runs.
#include "platform/open_fault.h"

#include <atomic>
#include <memory>

namespace quillmark {

namespace {

std::shared_ptr<const OpenFault>& Stored() {
    static std::shared_ptr<const OpenFault> fault;
    return fault;
}

std::atomic<bool> g_active{false};

std::shared_ptr<const ReadFault>& StoredRead() {
    static std::shared_ptr<const ReadFault> fault;
    return fault;
}

std::atomic<bool> g_readActive{false};

std::string& ProcFd() {
    static std::string directory = "/proc/self/fd/";
    return directory;
}

}  // namespace

void SetOpenFaultForTesting(OpenFault fault) {
    Stored() = fault ? std::make_shared<const OpenFault>(std::move(fault)) : nullptr;
    g_active.store(Stored() != nullptr, std::memory_order_release);
}

int InjectedOpenFault(std::string_view name) {
    if (!g_active.load(std::memory_order_acquire)) return 0;
    return (*Stored())(name);
}

void SetReadFaultForTesting(ReadFault fault) {
    StoredRead() = fault ? std::make_shared<const ReadFault>(std::move(fault)) : nullptr;
    g_readActive.store(StoredRead() != nullptr, std::memory_order_release);
}

int InjectedReadFault(std::uint8_t* data, std::size_t size, std::uint64_t offset) {
    if (!g_readActive.load(std::memory_order_acquire)) return 0;
    return (*StoredRead())(data, size, offset);
}

void SetProcFdDirectoryForTesting(std::string directory) {
    ProcFd() = directory.empty() ? "/proc/self/fd/" : std::move(directory);
}

const std::string& ProcFdDirectory() { return ProcFd(); }

}  // namespace quillmark
