// crc_settings.h - CCRCSettings, the record that holds every option of the program.
#pragma once

#include <cstdint>
#include <string>

#include "settings/option_flags.h"

namespace quillmark {

// A plain record: loading it from settings.dat and saving it back is settings_file.h's job,
// so the command line and the tests can hold one without touching any file.
struct CCRCSettings {
    // The working directory when the settings were loaded at start-up; the exit save goes there.
    // Empty when it could not be obtained.
    std::string m_szSettingsDir;

    std::int32_t m_bSortOutput = 0;
    std::int32_t m_bNoRecursion = 0;
    std::int32_t m_bDirWildcards = 0;
    std::int32_t m_bLowercase = 0;
    std::int32_t m_bUnixLF = 0;
    std::int32_t m_nOutputStyle = 0;  // 0 descriptive, 1 tabular
    std::int32_t m_nReadMode = 1;     // 0 ASCII, 1 binary
    std::int32_t m_nOutputDest = 1;   // 0 file, 1 screen
    std::string m_strInput;
    std::string m_strOutput;
    std::uint8_t m_flags = 0;

    // Recomputes m_flags from the option fields, every bit from scratch.
    void UpdateFlags();
    // Every field back to its default except m_szSettingsDir.
    void ResetDefaults();
};

}  // namespace quillmark
