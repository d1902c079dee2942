#include "RecordingDialog.h"

QString RecordingDialog::run(QWidget*, const FileDialogRequest& request)
{
    ++calls;
    last = request;
    return answer;
}
