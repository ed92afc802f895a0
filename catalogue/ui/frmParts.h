#pragma once

#include <QMainWindow>

// The catalogue's main window.
class frmParts final : public QMainWindow {
    Q_OBJECT
public:
    explicit frmParts(QWidget *parent = nullptr);

protected:
    void closeEvent(QCloseEvent *event) override;
};
