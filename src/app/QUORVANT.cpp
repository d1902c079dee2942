#include "QUORVANT.h"

QUORVANT::QUORVANT(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("QUORVANT"));
    setWindowTitle(QStringLiteral("QUORVANT"));
    resize(960, 640);
}

QUORVANT::~QUORVANT() = default;
