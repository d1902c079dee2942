#pragma once

#include "base/GetFile.h"

// The file dialog of a test: answers every request with `answer` (empty: cancelled) and keeps
// the last request. Installed with FileDialogBackend::install.
class RecordingDialog : public FileDialogBackend {
public:
    QString answer;
    FileDialogRequest last;
    int calls = 0;

    QString run(QWidget* owner, const FileDialogRequest& request) override;
};
