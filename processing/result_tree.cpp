// result_tree.cpp - inserting into and printing the sorted results.
#include "processing/result_tree.h"

#include "platform/ascii_case.h"
#include "processing/result_line.h"
#include "processing/result_line_append.h"

namespace quillmark {

namespace {

// Lines are gathered into blocks of about this size before they go to the sink.
constexpr std::size_t kPrintBlock = 64 * 1024;

}  // namespace

void ResultTree::Insert(std::string path, std::uint64_t size, std::uint32_t crc, bool readable) {
    // Most paths are lowercase already: those become the key themselves, with no copy.
    std::string key;
    if (!HasAsciiCapital(path)) {
        key = std::move(path);
        path.clear();
    } else {
        key = LowercasedAscii(path);
    }
    // The end hint makes results arriving in key order cost O(1) each; any other key goes to the
    // upper bound of its equals, so equal keys keep their insertion order.
    m_entries.emplace_hint(m_entries.end(), std::move(key),
                           ResultNode{size, crc, readable, std::move(path)});
}

bool ResultTree::Print(OutputSink& sink, const ResultFormat* format) const {
    std::string block;
    block.reserve(kPrintBlock + 512);
    for (const auto& [key, node] : m_entries) {
        const std::string& path = node.m_strPath.empty() ? key : node.m_strPath;
        if (format != nullptr) {
            format->Append(block, path, node.m_nSize, node.m_nCrc, node.m_bReadable);
        } else if (node.m_bReadable) {
            AppendTabularLine(block, node.m_nCrc, node.m_nSize, path, {});
        } else {
            AppendReadErrorLine(block, path, {});
        }
        if (block.size() >= kPrintBlock) {
            if (!sink.Write(block)) return false;
            block.clear();
        }
    }
    return block.empty() || sink.Write(block);
}

}  // namespace quillmark
