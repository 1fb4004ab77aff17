#pragma once

#include <QMainWindow>

// The host's console.
class frmMain final : public QMainWindow
{
    Q_OBJECT

public:
    explicit frmMain(QWidget *parent = nullptr);
};
