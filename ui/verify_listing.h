// verify_listing.h - "Verify listing...": one saved listing checked in the window, outcomes in
// the pane and the summary in a box.
#pragma once

#include <QString>
#include <cstdint>
#include <string>

#include "processing/check/listing_check.h"
#include "ui/run_thread.h"

class QWidget;

namespace quillmark {

inline constexpr const char* kVerifyCaption = "Verify listing";
// The file dialog's choices: listings by their usual endings first, then any file.
inline constexpr const char* kListingFileFilter =
    "Listings (*.sfv *.txt *.lst *.crc);;All files (*)";
// The pane names this many malformed lines of a listing, then gives the count of the rest.
inline constexpr std::uint64_t kMalformedNotesInPane = 10;

// The box's text after a check of listing: the summary's sentence, or why there was no check.
QString VerifySummaryText(const std::string& listing, const ListingCheck& check,
                          const CheckCounts& counts);

// "The check was cancelled after N entries."
QString CheckCancelledText(const CheckCounts& counts);

// Checks listing as the command line would in readMode, never --new or --ignore-missing, on the
// worker thread, and shows the summary box over owner (after a cancel, the box says so).
void VerifyListingInWindow(QWidget* owner, const std::string& listing, ReadMode readMode,
                           RunOnWorkerThread& worker);

}  // namespace quillmark
