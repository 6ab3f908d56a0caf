// settings_record_test.cpp - the record's own rules: each option's forced consequences, and the
// read mode the flag byte gives.
#include <gtest/gtest.h>

#include "settings/crc_settings.h"
#include "settings/settings_file.h"

namespace quillmark::testing {
namespace {

struct ConsequenceRow {
    const char* name;
    void (CCRCSettings::*apply)();
    CCRCSettings before;
    CCRCSettings after;
};

CCRCSettings With(int sort, int noRecursion, int dirWildcards, int lowercase, int unixLF, int style,
                  int readMode) {
    CCRCSettings record;
    record.m_bSortOutput = sort;
    record.m_bNoRecursion = noRecursion;
    record.m_bDirWildcards = dirWildcards;
    record.m_bLowercase = lowercase;
    record.m_bUnixLF = unixLF;
    record.m_nOutputStyle = style;
    record.m_nReadMode = readMode;
    return record;
}

// Each function changes exactly the fields its option forces, and only while it is on.
TEST(SettingsRecordTest, EachOptionForcesItsConsequencesOnly) {
    const ConsequenceRow rows[] = {
        {"sort: tabular, not lowercase", &CCRCSettings::ApplySortConsequences,
         With(1, 1, 1, 1, 1, 0, 0), With(1, 1, 1, 0, 1, 1, 0)},
        {"sort off: nothing", &CCRCSettings::ApplySortConsequences, With(0, 1, 1, 1, 1, 0, 0),
         With(0, 1, 1, 1, 1, 0, 0)},
        {"unix lf: binary", &CCRCSettings::ApplyUnixLineEndConsequences, With(1, 1, 1, 1, 1, 0, 0),
         With(1, 1, 1, 1, 1, 0, 1)},
        {"unix lf off: nothing", &CCRCSettings::ApplyUnixLineEndConsequences,
         With(1, 1, 1, 1, 0, 0, 0), With(1, 1, 1, 1, 0, 0, 0)},
        {"no recursion: no dir wildcards", &CCRCSettings::ApplyNoRecursionConsequences,
         With(1, 1, 1, 1, 1, 0, 0), With(1, 1, 0, 1, 1, 0, 0)},
        {"recursion: nothing", &CCRCSettings::ApplyNoRecursionConsequences,
         With(1, 0, 1, 1, 1, 0, 0), With(1, 0, 1, 1, 1, 0, 0)},
        {"all", &CCRCSettings::ApplyAllConsequences, With(1, 1, 1, 1, 1, 0, 0),
         With(1, 1, 0, 0, 1, 1, 1)},
    };
    for (const ConsequenceRow& row : rows) {
        CCRCSettings record = row.before;
        (record.*row.apply)();
        EXPECT_EQ(EncodeSettings(record), EncodeSettings(row.after)) << row.name;
    }
}

TEST(SettingsRecordTest, ReadModeFollowsTheFlagByte) {
    struct Row {
        int unixLF, readMode;
        ReadMode expected;
    };
    for (const Row row : {Row{0, 1, ReadMode::Binary}, Row{0, 0, ReadMode::Ascii},
                          Row{1, 1, ReadMode::UnixLf}, Row{1, 0, ReadMode::UnixLf}}) {
        CCRCSettings record = With(0, 0, 0, 0, row.unixLF, 0, row.readMode);
        record.UpdateFlags();
        EXPECT_EQ(record.ChecksumReadMode(), row.expected) << row.unixLF << row.readMode;
    }
}

}  // namespace
}  // namespace quillmark::testing
