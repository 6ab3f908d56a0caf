// settings_file.h - settings.dat: its byte layout, and the four moments it is read or written.
#pragma once

#include <string>
#include <string_view>

#include "settings/crc_settings.h"

namespace quillmark {

inline constexpr const char* kSettingsFileName = "settings.dat";

// The file's bytes for a record (35 with both strings empty). Integers little-endian.
std::string EncodeSettings(const CCRCSettings& record);
// Reads a whole file image into the record. All or nothing: on false the record is untouched.
// Bytes after the last field are ignored.
bool DecodeSettings(std::string_view bytes, CCRCSettings& record);

// Reads the named file; false (record untouched) when it cannot be opened or decoded, or is not a
// regular file (a FIFO is refused without waiting for a writer).
bool ReadSettingsFile(const std::string& path, CCRCSettings& record);
// Writes through a temporary file in the same directory renamed over the old one, so a failure
// at any point leaves the old file as it was.
bool WriteSettingsFile(const std::string& path, const CCRCSettings& record);

// Start-up: remembers the working directory in m_szSettingsDir and reads settings.dat from it;
// anything unreadable gives the defaults, silently.
void LoadSettingsAtStartup(CCRCSettings& record);
// Exit: writes settings.dat into m_szSettingsDir. False means the window should say so
// (including when no directory was remembered; then nothing is written).
bool SaveSettingsAtExit(const CCRCSettings& record);
// The Load settings and Save settings commands, in the current working directory.
// False means the window should say that the load or save failed.
bool LoadSettingsCommand(CCRCSettings& record);
bool SaveSettingsCommand(const CCRCSettings& record);

}  // namespace quillmark
