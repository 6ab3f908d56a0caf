// verify_listing.cpp - a listing checked from the window: the check run with the pane as its
// destination and a box for its summary.
#include "ui/verify_listing.h"

#include <cstring>

#include "processing/name_escaping.h"
#include "ui/message_box.h"

namespace quillmark {

namespace {

// Malformed lines and remarks go in the pane beside the outcomes, where they can be copied.
class PaneCheckReporter : public CheckReporter {
public:
    explicit PaneCheckReporter(OutputSink& pane) : m_pane(pane) {}

    // A file of junk would fill the pane with notes no one reads: the first few are named, the
    // rest counted in one line once the listing is done.
    void OnMalformedLine(std::string_view listing, std::uint64_t line) override {
        if (++m_malformed > kMalformedNotesInPane) return;
        m_pane.Write(EscapeForDisplay(listing) + ":" + std::to_string(line) +
                     ": not a listing entry\n");
    }
    void OnNotice(std::string_view text) override { m_pane.Write(std::string(text) + "\n"); }

    void ListingDone(std::string_view listing) {
        if (m_malformed <= kMalformedNotesInPane) return;
        m_pane.Write(EscapeForDisplay(listing) + ": " +
                     std::to_string(m_malformed - kMalformedNotesInPane) +
                     " more malformed lines\n");
    }

private:
    OutputSink& m_pane;
    std::uint64_t m_malformed = 0;
};

}  // namespace

QString VerifySummaryText(const std::string& listing, const ListingCheck& check,
                          const CheckCounts& counts) {
    const QString name = QString::fromLocal8Bit(EscapeForDisplay(listing));
    switch (check.status) {
        case ListingStatus::Unreadable:
            return QString("Unable to read %1: %2")
                .arg(name, QString::fromLocal8Bit(std::strerror(check.errorNumber)));
        case ListingStatus::NotText:
            return QString("%1 is not a listing: %2")
                .arg(name, QString::fromStdString(check.notTextReason));
        case ListingStatus::Empty:
            return QString("No listing entry was found in %1.").arg(name);
        case ListingStatus::WriteFailed:
        case ListingStatus::Cancelled:
        case ListingStatus::Checked:
            break;
    }
    QString text = QString::fromStdString(FormatCheckSummary(counts));
    // Headers in the listing may have chosen a mode for their entries.
    if (const std::string modes = FormatModesUsed(counts); !modes.empty()) {
        text += "\n" + QString::fromStdString(modes);
    }
    return text;
}

QString CheckCancelledText(const CheckCounts& counts) {
    return QString("The check was cancelled after %1 entries.").arg(counts.Entries());
}

void VerifyListingInWindow(QWidget* owner, const std::string& listing, ReadMode readMode,
                           RunOnWorkerThread& worker) {
    CheckOptions options;
    options.readMode = readMode;
    options.forDisplay = true;
    CheckCounts counts;
    ListingCheck check;
    worker.Work([&](WorkerReporting& reporting) {
        PaneCheckReporter reporter(reporting.pane);
        CheckEnvironment env{reporting.pane, reporter, reporting.progress};
        check = CheckListing(listing, options, env, counts);
        reporter.ListingDone(listing);
    });
    const QString text = check.status == ListingStatus::Cancelled
                             ? CheckCancelledText(counts)
                             : VerifySummaryText(listing, check, counts);
    ShowErrorBox(owner, text, QString::fromLatin1(kVerifyCaption));
}

}  // namespace quillmark
