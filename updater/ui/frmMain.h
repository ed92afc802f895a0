#pragma once

#include <QMainWindow>

// The updater's main window.
class frmMain final : public QMainWindow {
    Q_OBJECT
public:
    explicit frmMain(QWidget *parent = nullptr);

    static QString caption();
};
