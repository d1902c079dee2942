#pragma once

#include <QMainWindow>

// The main window of the workbench. It composes one controller per feature; each later feature
// adds its panes and commands here.
class QUORVANT : public QMainWindow {
    Q_OBJECT

public:
    explicit QUORVANT(QWidget* parent = nullptr);
    ~QUORVANT() override;
};
