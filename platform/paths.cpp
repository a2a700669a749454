#include "platform/paths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <system_error>

namespace velox {

namespace {
const char* nonEmptyEnv(const char* name) {
    const char* value = std::getenv(name);
    return value && *value ? value : nullptr;
}
}  // namespace

std::filesystem::path homeFolder() {
    if (const char* home = nonEmptyEnv("HOME")) return home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return "/";
}

std::filesystem::path programDataRoot() {
    if (const char* root = nonEmptyEnv("PROGRAMDATA")) return root;
    if (const char* xdg = nonEmptyEnv("XDG_DATA_HOME")) return xdg;
    return homeFolder() / ".local" / "share";
}

std::filesystem::path companyFolder() { return programDataRoot() / "Halvik"; }

std::filesystem::path settingsFilePath(const std::string& stem) { return companyFolder() / stem / (stem + ".INI"); }

std::filesystem::path temporaryFolder() { return companyFolder() / "Temp"; }

std::filesystem::path portMapEntry(int portIndex) {
    return companyFolder() / "Ports" / ("COM" + std::to_string(portIndex + 1));
}

bool ensureFolder(const std::filesystem::path& folder) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    return std::filesystem::is_directory(folder, ec);
}

}  // namespace velox
