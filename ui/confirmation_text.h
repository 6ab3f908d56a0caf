// confirmation_text.h - the text of the "Start CRC Processing" question: the settings a run would
// use.
#pragma once

#include <string>

#include "settings/crc_settings.h"

namespace quillmark {

// Reads m_flags as it stands (the OptionFlags byte last derived or loaded), not the fields.
std::string BuildConfirmationText(const CCRCSettings& settings);

}  // namespace quillmark
