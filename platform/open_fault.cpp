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

}  // namespace

void SetOpenFaultForTesting(OpenFault fault) {
    Stored() = fault ? std::make_shared<const OpenFault>(std::move(fault)) : nullptr;
    g_active.store(Stored() != nullptr, std::memory_order_release);
}

int InjectedOpenFault(std::string_view name) {
    if (!g_active.load(std::memory_order_acquire)) return 0;
    return (*Stored())(name);
}

}  // namespace quillmark
