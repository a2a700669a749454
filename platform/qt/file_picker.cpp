#include "platform/qt/file_picker.h"

#include <QFileDialog>
#include <QString>

namespace velox {

std::optional<std::filesystem::path> QtDataFilePicker::chooseSaveFile(const SaveFileRequest& request) {
    QFileDialog dialog(owner_, QString::fromStdString(request.title));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDirectory(QString::fromStdString(request.initialFolder.string()));
    if (!request.kind.filterText.empty()) {
        // The display text already names the pattern: "VLX61LX2 Files (*.RX2)".
        dialog.setNameFilter(QString::fromStdString(request.kind.filterText));
    }
    dialog.setDefaultSuffix(QString::fromStdString(request.kind.defaultExtension));
    dialog.selectFile(QString::fromStdString(request.proposedName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return std::filesystem::path(dialog.selectedFiles().first().toStdString());
}

}  // namespace velox
