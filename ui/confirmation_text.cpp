// confirmation_text.cpp - builds the summary shown before a run, section by section.
#include "ui/confirmation_text.h"

#include "processing/name_escaping.h"

namespace quillmark {

std::string BuildConfirmationText(const CCRCSettings& settings) {
    std::string text = "Do you wish to use the currently specified file(s) and options?\n";
    text += "\nProcessing Options:";
    if (settings.m_bSortOutput) text += "\nSort all files";
    if (!settings.m_bNoRecursion) text += "\nRecursion enabled";
    if (settings.m_bDirWildcards) text += "\nDirectory wildcards being used";
    if (settings.m_bLowercase) text += "\nPrint output in lowercase";
    if (settings.m_bUnixLF) text += "\nFiles are from Unix filesystem";
    // The byte, not the fields: an ASCII read mode sets a bit, so "None selected" never shows
    // with it, and a loaded byte that disagrees with the fields is what decides.
    if (settings.m_flags == 0) text += "\nNone selected";

    text += "\n\nFile Options:";
    text += settings.m_nReadMode != 0 ? "\nReading files in binary mode"
                                      : "\nReading files in ASCII mode";
    // A name's control characters are shown escaped: a line break in it would pass for another
    // line of the summary.
    text += "\nInput file: " + EscapeForDisplay(settings.m_strInput);
    if (settings.OutputsToFile()) {
        text += "\nOutput file: " + EscapeForDisplay(settings.m_strOutput);
    } else {
        text += "\nOutput is displayed in window";
    }

    text += "\n\nOutput Style:";
    text += settings.m_nOutputStyle != 0 ? " Tabular format" : " Descriptive format";
    return text;
}

}  // namespace quillmark
