// open_fault.h - a seam for tests: make chosen opens fail as they would for a user the
// permissions deny, which root (who runs CI) never is.
#pragma once

#include <functional>
#include <string_view>

namespace quillmark {

// Asked with the name of each file or subdirectory about to be opened by the walk's descriptor
// opens; a non-zero errno makes that open fail with it. Set it only while no run is going; an
// empty function removes it.
using OpenFault = std::function<int(std::string_view name)>;
void SetOpenFaultForTesting(OpenFault fault);
// The errno the seam asks for, or 0 (always 0 without a seam).
int InjectedOpenFault(std::string_view name);

}  // namespace quillmark
