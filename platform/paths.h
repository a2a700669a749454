#pragma once
// Where the program keeps its files: the program data root holds the
// settings folders, the temporary folder and the serial port map.

#include <filesystem>
#include <string>

namespace velox {

// $PROGRAMDATA when set, else $XDG_DATA_HOME, else ~/.local/share.
std::filesystem::path programDataRoot();
// <root>/Halvik
std::filesystem::path companyFolder();
// <root>/Halvik/<stem>/<stem>.INI
std::filesystem::path settingsFilePath(const std::string& stem);
// <root>/Halvik/Temp
std::filesystem::path temporaryFolder();
// <root>/Halvik/Ports/COM<n>, n = index + 1
std::filesystem::path portMapEntry(int portIndex);
// The user's home folder: the default for data and background folders.
std::filesystem::path homeFolder();

// Creates a folder and its parents; returns false (and never throws) when
// it cannot. An existing folder is fine.
bool ensureFolder(const std::filesystem::path& folder);

}  // namespace velox
