// display_result_format.h - a run's results in the settings' own style for a person at a
// terminal: names that could garble it escaped for display.
#pragma once

#include "processing/result_format.h"
#include "settings/crc_settings.h"

namespace quillmark {

// The lines FormatResultLine makes, with a name holding control characters or bytes that are not
// UTF-8 written as EscapeNameForDisplay writes it (the line starting with '\'), so a name can
// never move the cursor or rewrite a line. Names without such bytes come out as in any run.
class DisplayResultFormat : public ResultFormat {
public:
    explicit DisplayResultFormat(const CCRCSettings& settings) : m_settings(settings) {}

    std::string Header() const override { return {}; }
    void Append(std::string& text, std::string_view path, std::uint64_t size, std::uint32_t crc,
                bool readable) const override;

private:
    const CCRCSettings& m_settings;
};

}  // namespace quillmark
