// ui_texts.h - captions, labels and messages of the desktop program's own windows.
//
// Like every text the program shows, these are kept exactly as the program has always shown
// them, spelling included (see also processing/run_messages.h): do not correct them.
#pragma once

#include "processing/run_reporting.h"

namespace quillmark {

struct UserMessage {
    const char* text;
    const char* caption;
};
inline constexpr UserMessage kLoadSettingsFailed{"Unable to load settings file.", kErrorCaption};
inline constexpr UserMessage kSaveSettingsFailed{"Unable to save settings file.", kErrorCaption};
inline constexpr UserMessage kExitSaveFailed{"The settings file could not be saved.",
                                             "Unable to save settings file"};

inline constexpr const char* kMainWindowCaption = "Quillmark";

inline constexpr const char* kNoInputText = "No input file has been specified.";
inline constexpr const char* kNoInputCaption = kErrorCaption;
inline constexpr const char* kConfirmCaption = "Start CRC Processing";

inline constexpr const char* kProcessingCaption = "Processing files";
inline constexpr const char* kProcessingLabel = "Processing files. Please wait....";
inline constexpr const char* kSortingCaption = "Sort in progress";
inline constexpr const char* kSortingLabel =
    "Processing and sorting files.\n              Please wait....";

// %1: the files reported before the run stopped.
inline constexpr const char* kRunCancelledText = "The run was cancelled after %1 files.";
inline constexpr const char* kSaveOutputCaption = "Save Output As";
// %1: the path chosen, %2: the reason.
inline constexpr const char* kSaveOutputFailedText = "Unable to save the output to %1: %2";

inline constexpr const char* kAboutCaption = "About Quillmark";
// The title, the author-and-date line with the version, and where to report problems
// (QUILLMARK_CONTACT, set when the program is built).
inline constexpr const char* kAboutText =
    "Quillmark\n\nVersion " QUILLMARK_VERSION ", Quillmark developers, 2026\n\n" QUILLMARK_CONTACT;

}  // namespace quillmark
