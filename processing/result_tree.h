// result_tree.h - the sorted results of a run, in the byte order of their lowercased paths,
// printed with each path in its own case.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "processing/output_sink.h"
#include "processing/result_format.h"

namespace quillmark {

struct ResultNode {
    std::uint64_t m_nSize = 0;
    std::uint32_t m_nCrc = 0;
    bool m_bReadable = true;
    std::string m_strPath;  // the path as printed; empty when it is the key itself
};

// Keys compare as unsigned bytes; equal keys keep their insertion order. Insertion is O(log n)
// whatever order results arrive in, and nothing recurses as deep as the number of entries.
class ResultTree {
public:
    // Sorted by the path lowercased (A-Z only), so that names differing in case sit together;
    // printed as given.
    void Insert(std::string path, std::uint64_t size, std::uint32_t crc, bool readable);
    bool IsEmpty() const { return m_entries.empty(); }
    std::size_t Size() const { return m_entries.size(); }
    // Prints every entry in order as a tabular line (a read-error line for an unreadable
    // file), or in format when one is given. Stops and returns false at the first failed write.
    bool Print(OutputSink& sink, const ResultFormat* format = nullptr) const;
    void Clear() { m_entries.clear(); }

private:
    std::multimap<std::string, ResultNode> m_entries;
};

}  // namespace quillmark
