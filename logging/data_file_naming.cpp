#include "logging/data_file_naming.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <system_error>
#include <unistd.h>

#include "logging/data_file_format.h"
#include "platform/operator_messages.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace velox {

namespace {

std::string upperCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
    return text;
}
std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

bool fileExists(const std::filesystem::path& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

// The default extension may differ in case from the extension the files
// are named with (".gxy" / "GXY"); on a case-sensitive file system either
// spelling makes the name taken.
bool nameTaken(const std::filesystem::path& folder, const std::string& stem, const std::string& extension) {
    for (const std::string& ext : {extension, upperCase(extension), lowerCase(extension)}) {
        if (fileExists(folder / (stem + ext))) return true;
    }
    return false;
}

std::filesystem::path withDefaultExtension(std::filesystem::path path, const DataFileKind& kind) {
    if (!path.has_extension()) path += "." + kind.defaultExtension;
    return path;
}

std::string headOfFile(const DataFile& file, std::size_t count) {
    std::string head(count, '\0');
    std::size_t got = 0;
    while (got < count) {
        const ssize_t n = ::pread(file.descriptor(), head.data() + got, count - got, static_cast<off_t>(got));
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    head.resize(got);
    return head;
}

}  // namespace

DataFileKind dataFileKind(const Variant& variant, int instrumentEnabled) {
    if (instrumentEnabled == 0) return {std::string(POSITIONS_ONLY_EXTENSION), "VLXGXY Files (*.GXY)", "*.GXY", "GXY"};

    const bool velox = variant.productLine == ProductLine::Velox;
    const std::string extension(dataFileExtension(variant.instrumentType, variant.productLine));
    const std::string bare = extension.substr(1);
    if (variant.instrumentType == InstrumentType::Em38) return {extension, "", "", bare};

    std::string label;
    switch (variant.instrumentType) {
    case InstrumentType::Grad601: label = "601"; break;
    case InstrumentType::Em61Lx2: label = "61LX2"; break;
    case InstrumentType::Em61Mk2: label = "61MK2"; break;
    case InstrumentType::Em31Mk2: label = "31"; break;
    case InstrumentType::Em38: label = "38"; break;
    case InstrumentType::Em34_3: label = "34-3"; break;
    case InstrumentType::Em38Mk2: label = "38MK2"; break;
    }
    const std::string pattern = "*" + extension;
    return {extension, (velox ? "VLX" : "Orv") + label + " Files (" + pattern + ")", pattern, bare};
}

std::filesystem::path dataFolderPath(const SurveyConfig& config) {
    if (config.dataFolder.empty()) return homeFolder();
    return std::filesystem::path(toUtf8(config.dataFolder));
}

std::string proposeDataFileName(const std::filesystem::path& folder, const DataFileKind& kind, const LocalTime& today) {
    ensureFolder(folder);
    char date[16];
    std::snprintf(date, sizeof date, "%02d%02d%02d_", today.year % 100, today.month, today.day);
    for (int n = 0; n <= 999; ++n) {
        char sequence[8];
        std::snprintf(sequence, sizeof sequence, "%03d", n);
        const std::string name = std::string(date) + sequence;
        if (!nameTaken(folder, name, kind.extension)) return name;
    }
    return date;
}

std::string baseName(const std::filesystem::path& path) {
    const std::string text = path.string();
    const std::size_t slash = text.find_last_of('/');
    const std::string name = slash == std::string::npos ? text : text.substr(slash + 1);
    return toStoredBytes(fromUtf8(name.substr(0, name.find('.'))));
}

bool isOwnDataFile(InstrumentType type, std::string_view head) {
    const OwnFilePrefix own = ownFilePrefix(type);
    return head.substr(0, own.bytesExamined).find(own.prefix) != std::string_view::npos;
}

std::string notFromThisProgramMessage(const Variant& variant) {
    return "File not from " + variantTitle(variant) + " program";
}

int createDataFile(DataFileCreation& c) {
    const DataFileKind kind = dataFileKind(c.variant, c.config.instrumentEnabled);
    std::filesystem::path path;
    int result = DATA_FILE_CREATED;
    for (;;) {
        const std::filesystem::path folder = dataFolderPath(c.config);
        const SaveFileRequest request{std::string(CREATE_DATA_FILE_TITLE), kind, folder,
                                      proposeDataFileName(folder, kind, c.localTime())};
        const std::optional<std::filesystem::path> chosen = c.picker.chooseSaveFile(request);
        if (!chosen) return DATA_FILE_NOT_CREATED;
        path = withDefaultExtension(*chosen, kind);
        if (!fileExists(path)) {
            result = DATA_FILE_CREATED;
            break;
        }
        if (c.variant.productLine == ProductLine::Velox) {
            result = DATA_FILE_CONTINUE;
            break;
        }
        c.messages.show("WARNING", "The file already exisits. Please enter another name", MessageButtons::Ok);
    }

    c.file.setBaseName(baseName(path));
    if (!c.file.open(path)) {
        c.messages.show(std::string(WRITE_FAILURE_TITLE),
                        "Cannot open the data file\r\n" + path.filename().string().substr(0, 120), MessageButtons::Ok);
        return DATA_FILE_NOT_CREATED;
    }
    if (result == DATA_FILE_CONTINUE) {
        const std::size_t examined = ownFilePrefix(c.variant.instrumentType).bytesExamined;
        const std::string head = headOfFile(c.file, examined);
        // A file shorter than the examined count is left to the continuation check.
        if (head.size() == examined && !isOwnDataFile(c.variant.instrumentType, head)) {
            c.file.close();
            c.messages.show(std::string(NOT_FROM_THIS_PROGRAM_TITLE), notFromThisProgramMessage(c.variant),
                            MessageButtons::Ok);
            result = DATA_FILE_NOT_CREATED;
        }
    }
    c.config.dataFolder = fromUtf8(path.parent_path().string());

    if (result == DATA_FILE_CREATED) {
        c.file.writeHeader(false, c.config, c.header);
        c.file.writeLineStart(c.config, c.lineStart);
        c.file.writeTimeMark();
        saveSettings(c.variant, c.config);
        c.file.reopen();
    }
    return result;
}

}  // namespace velox
