// settings_builder.h - settings records for tests, each field named once: the defaults with the
// options a test cares about, e.g. Settings().Sort().Tabular().Input("/srv/files/").Build().
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "settings/crc_settings.h"

namespace quillmark::testing {

class Settings {
public:
    Settings& Sort(std::int32_t value = 1) { return Set(m_record.m_bSortOutput, value); }
    Settings& NoRecursion(std::int32_t value = 1) { return Set(m_record.m_bNoRecursion, value); }
    Settings& DirWildcards(std::int32_t value = 1) { return Set(m_record.m_bDirWildcards, value); }
    Settings& Lowercase(std::int32_t value = 1) { return Set(m_record.m_bLowercase, value); }
    Settings& UnixLf(std::int32_t value = 1) { return Set(m_record.m_bUnixLF, value); }
    // 0 descriptive blocks, 1 tabular lines.
    Settings& Style(std::int32_t value) { return Set(m_record.m_nOutputStyle, value); }
    Settings& Tabular() { return Style(1); }
    // 0 ASCII, 1 binary.
    Settings& Reading(std::int32_t value) { return Set(m_record.m_nReadMode, value); }
    Settings& Ascii() { return Reading(0); }
    // 0 the output file, 1 the screen.
    Settings& Destination(std::int32_t value) { return Set(m_record.m_nOutputDest, value); }
    Settings& ToFile() { return Destination(0); }
    Settings& Input(std::string path) {
        m_record.m_strInput = std::move(path);
        return *this;
    }
    Settings& Output(std::string path) {
        m_record.m_strOutput = std::move(path);
        return *this;
    }
    // The flag byte as a file may hold it; without this, Build computes it as a save does.
    Settings& StoredFlags(std::uint8_t flags) {
        m_flags = flags;
        return *this;
    }

    CCRCSettings Build() const {
        CCRCSettings record = m_record;
        if (m_flags) {
            record.m_flags = *m_flags;
        } else {
            record.UpdateFlags();
        }
        return record;
    }

private:
    Settings& Set(std::int32_t& field, std::int32_t value) {
        field = value;
        return *this;
    }

    CCRCSettings m_record;
    std::optional<std::uint8_t> m_flags;
};

}  // namespace quillmark::testing
