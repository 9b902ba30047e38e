#pragma once

#include <QMainWindow>

class QTableView;

// The main window of Talvoro CCP.
class TForm1 final : public QMainWindow
{
    Q_OBJECT
public:
    explicit TForm1(QWidget *parent = nullptr);

    QTableView *ListView1 = nullptr;
};
