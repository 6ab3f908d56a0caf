// crc_settings.h - CCRCSettings, the record that holds every option of the program.
#pragma once

#include <cstdint>
#include <string>

#include "settings/option_flags.h"

namespace quillmark {

// A plain record: loading it from settings.dat and saving it back is settings_file.h's job,
// so the command line and the tests can hold one without touching any file.
//
// Each option field holds 0 (off) or 1 (on): the program writes nothing else and refuses a
// settings.dat that does. Every reader asks through the accessors below, which read any value
// other than 0 as on, so no two readers can disagree about a field.
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

    bool IsSorted() const { return m_bSortOutput != 0; }
    bool IsRecursive() const { return m_bNoRecursion == 0; }
    bool UsesDirWildcards() const { return m_bDirWildcards != 0; }
    bool IsLowercase() const { return m_bLowercase != 0; }
    bool UsesUnixLineEnds() const { return m_bUnixLF != 0; }
    bool IsTabular() const { return m_nOutputStyle != 0; }
    bool ReadsAsText() const { return m_nReadMode == 0; }
    // Output goes to a file when the file is chosen and named; an empty name means the screen.
    bool OutputsToFile() const { return m_nOutputDest == 0 && !m_strOutput.empty(); }
    // How the run reads files, as the flag byte says (see ReadModeFromFlags).
    ReadMode ChecksumReadMode() const { return ReadModeFromFlags(m_flags); }

    // The options' forced consequences, one function per option, used alike by the options
    // dialog (on a click and when it opens) and by the command line. A sorted listing is tabular
    // and never lowercased; Unix line ends are read from binary files; without recursion there
    // are no directory wildcards. Each does nothing while its option is off.
    void ApplySortConsequences();
    void ApplyUnixLineEndConsequences();
    void ApplyNoRecursionConsequences();
    void ApplyAllConsequences();

    // Recomputes m_flags from the option fields, every bit from scratch.
    void UpdateFlags();
    // Every field back to its default except m_szSettingsDir.
    void ResetDefaults();
};

}  // namespace quillmark
