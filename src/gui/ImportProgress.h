#pragma once

#include <QElapsedTimer>
#include <QObject>

class QProgressBar;
class QPushButton;

// Shows an import's progress in a bar and offers a cancel button over the bar's right end
// while it runs. update() lets window events run every few tens of milliseconds, not at
// every call, so the clock and the bar move without slowing the import.
class ImportProgress final : public QObject
{
    Q_OBJECT
public:
    explicit ImportProgress(QProgressBar *bar);
    ~ImportProgress() override;

    // Shows permille; false once the clerk has asked to cancel.
    bool update(int permille);

private:
    QProgressBar *m_bar;
    QPushButton *m_cancel;
    QElapsedTimer m_sinceEvents;
    bool m_cancelled = false;
};
