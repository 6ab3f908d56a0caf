// settings_decoder_fuzz.cpp - fuzz target: the settings.dat decoder on any bytes, and the
// encoder's round trip of whatever it accepts.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "settings/settings_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    quillmark::CCRCSettings record;
    if (!quillmark::DecodeSettings(bytes, record)) return 0;
    // What was accepted must encode to a file that decodes to the same record.
    quillmark::CCRCSettings again;
    if (!quillmark::DecodeSettings(quillmark::EncodeSettings(record), again)) std::abort();
    if (quillmark::EncodeSettings(again) != quillmark::EncodeSettings(record)) std::abort();
    return 0;
}
