#pragma once
// Naming a new survey data file and creating it, or recognising an existing
// file of this product for continuation.

#include <filesystem>
#include <optional>
#include <string>

#include "config/survey_config.h"
#include "config/variant.h"
#include "logging/data_file.h"

namespace velox {

class OperatorMessages;

// What the save-file dialog of a data file shows.
struct DataFileKind {
    std::string extension;         // with its dot, as the files are named: ".RX2"
    std::string filterText;        // "VLX61LX2 Files (*.RX2)"; empty: the dialog lists all files
    std::string filterPattern;     // "*.RX2"; empty with an empty filter text
    std::string defaultExtension;  // without the dot: "RX2"
};
DataFileKind dataFileKind(const Variant& variant, int instrumentEnabled);

inline constexpr std::string_view CREATE_DATA_FILE_TITLE = "Create Data File";

struct SaveFileRequest {
    std::string title;
    DataFileKind kind;
    std::filesystem::path initialFolder;
    std::string proposedName;  // without extension
};

// The save-file dialog, kept out of the core: the user interface supplies a
// real one, tests a scripted one. No overwrite prompt. Returns the chosen
// path, or nothing when cancelled.
class DataFilePicker {
public:
    virtual ~DataFilePicker() = default;
    virtual std::optional<std::filesystem::path> chooseSaveFile(const SaveFileRequest& request) = 0;
};

// The data folder of the settings; the home folder when it is empty.
std::filesystem::path dataFolderPath(const SurveyConfig& config);

// Creates the data folder if missing (a failure is ignored) and proposes
// "YYMMDD_nnn": the first sequence number whose file does not exist. When
// all 1000 names of the day are taken, only "YYMMDD_" is proposed and the
// operator completes it.
std::string proposeDataFileName(const std::filesystem::path& folder, const DataFileKind& kind, const LocalTime& today);

// The characters after the last folder separator up to the first following
// dot, one byte per character.
std::string baseName(const std::filesystem::path& path);

// True when the prefix of the variant occurs in the first bytes of `head`
// (it must hold at least the examined count).
bool isOwnDataFile(InstrumentType type, std::string_view head);

// "File not from Velox61LX2 program" and its siblings.
std::string notFromThisProgramMessage(const Variant& variant);
inline constexpr std::string_view NOT_FROM_THIS_PROGRAM_TITLE = "INFORMATION";

struct DataFileCreation {
    const Variant& variant;
    SurveyConfig& config;
    DataFile& file;
    DataFilePicker& picker;
    OperatorMessages& messages;
    HeaderValues header;        // for the header group of a new file
    LineStartValues lineStart;
    LocalTimeSource localTime = localTimeNow;
};

enum CreateDataFileResult : int {
    DATA_FILE_CREATED = 0,      // new file, header group written; the file is open at its end
    DATA_FILE_CONTINUE = 1,     // an existing file of this product is open, nothing written yet
    DATA_FILE_NOT_CREATED = -1  // cancelled, or the file could not be used (the operator has been told)
};

// Runs the save-file dialog and creates the chosen file or opens an existing
// one of this product. A chosen file of another program is reported and
// closed again, so nothing is ever written into it.
int createDataFile(DataFileCreation& creation);

}  // namespace velox
