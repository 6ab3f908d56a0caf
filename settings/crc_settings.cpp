// crc_settings.cpp - the option flag byte and the default values of CCRCSettings.
#include "settings/crc_settings.h"

namespace quillmark {

void CCRCSettings::UpdateFlags() {
    m_flags = 0;
    if (IsSorted()) m_flags |= OPT_SORT;
    if (!IsRecursive()) m_flags |= OPT_NO_RECURSION;
    if (UsesDirWildcards()) m_flags |= OPT_DIR_WILDCARDS;
    if (IsLowercase()) m_flags |= OPT_LOWERCASE;
    if (UsesUnixLineEnds()) m_flags |= OPT_UNIX_LF;
    if (ReadsAsText()) m_flags |= OPT_ASCII_MODE;
}

void CCRCSettings::ApplySortConsequences() {
    if (!IsSorted()) return;
    m_bLowercase = 0;
    m_nOutputStyle = 1;
}

void CCRCSettings::ApplyUnixLineEndConsequences() {
    if (UsesUnixLineEnds()) m_nReadMode = 1;
}

void CCRCSettings::ApplyNoRecursionConsequences() {
    if (!IsRecursive()) m_bDirWildcards = 0;
}

void CCRCSettings::ApplyAllConsequences() {
    ApplySortConsequences();
    ApplyUnixLineEndConsequences();
    ApplyNoRecursionConsequences();
}

void CCRCSettings::ResetDefaults() {
    m_bSortOutput = 0;
    m_bNoRecursion = 0;
    m_bDirWildcards = 0;
    m_bLowercase = 0;
    m_bUnixLF = 0;
    m_nOutputStyle = 0;
    m_nOutputDest = 1;
    m_nReadMode = 1;
    m_strInput.clear();
    m_strOutput.clear();
    m_flags = 0;
}

}  // namespace quillmark
