// listing_names_test.cpp - the path checked for a listed name: Windows separators only where the
// name as written is no file, relative names joined to the SFV file's directory.
#include "processing/check/listing_names.h"

#include <fcntl.h>
#include <unistd.h>

#include "tests/core/test_support.h"

namespace quillmark::testing {
namespace {

TEST(PathToCheck, BackslashesAreSeparatorsOnlyWhenTheNameAsWrittenIsNoFile) {
    TempDir temp;
    const fs::path root = temp.Path();
    WriteFile(root / "sub/f.txt", "f");
    WriteFile(root / "lit\\eral", "a Linux name");
    fs::create_symlink("nowhere", root / "dangling\\link");
    const int start = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(start, 0);
    struct Row {
        std::string name;
        std::string relativeTo;
        std::string checked;
    };
    const Row rows[] = {
        {"sub/f.txt", "", "sub/f.txt"},
        {"sub\\f.txt", "", "sub/f.txt"},
        {"lit\\eral", "", "lit\\eral"},
        {"dangling\\link", "", "dangling\\link"},  // a link is a name, wherever it leads
        {"gone\\x.txt", "", "gone/x.txt"},         // missing either way: shown as Linux reads it
        {"D:\\DATA\\a.txt", "", "D:/DATA/a.txt"},
        {"f.txt", "sub/", "sub/f.txt"},
        {"deep\\f.txt", "sub/", "sub/deep/f.txt"},
        {"\\\\server\\share\\f", "sub/", "//server/share/f"},  // absolute once separated
        {"/abs\\name", "sub/", "/abs/name"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(PathToCheck(row.name, row.relativeTo, start), row.checked);
    }
    ::close(start);
}

}  // namespace
}  // namespace quillmark::testing
