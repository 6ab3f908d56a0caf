// open_fault.h - seams for tests: make chosen opens fail as they would for a user the permissions
// deny, which root (who runs CI) never is; let reads see bytes that change under them; take away
// /proc.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace quillmark {

// Asked with the name of each file or subdirectory about to be opened by the walk's descriptor
// opens; a non-zero errno makes that open fail with it. Set it only while no run is going; an
// empty function removes it.
using OpenFault = std::function<int(std::string_view name)>;
void SetOpenFaultForTesting(OpenFault fault);
// The errno the seam asks for, or 0 (always 0 without a seam).
int InjectedOpenFault(std::string_view name);

// Called with the bytes of each successful read of a regular file and their offset; it may change
// them, as a writer between two reads would, or return an errno to fail the read with (EINTR:
// as if a signal cut it short). Set and removed as the open seam is.
using ReadFault = std::function<int(std::uint8_t* data, std::size_t size, std::uint64_t offset)>;
void SetReadFaultForTesting(ReadFault fault);
int InjectedReadFault(std::uint8_t* data, std::size_t size, std::uint64_t offset);

// The directory in which a descriptor's number names its file ("/proc/self/fd/"); a test points
// it elsewhere to see what happens without /proc. An empty string restores it.
void SetProcFdDirectoryForTesting(std::string directory);
const std::string& ProcFdDirectory();

}  // namespace quillmark
