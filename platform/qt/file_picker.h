#pragma once
// The save-file dialog of a data file on Qt: a non-native QFileDialog, so it
// behaves the same everywhere and can be driven by keys.

#include "logging/data_file_naming.h"

class QWidget;

namespace velox {

class QtDataFilePicker : public DataFilePicker {
public:
    explicit QtDataFilePicker(QWidget* owner) : owner_(owner) {}
    std::optional<std::filesystem::path> chooseSaveFile(const SaveFileRequest& request) override;

private:
    QWidget* owner_;
};

}  // namespace velox
