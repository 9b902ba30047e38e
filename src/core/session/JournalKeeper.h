#pragma once

#include <QObject>
#include <QString>
#include <QThreadPool>
#include <QTimer>
#include <chrono>

class Session;

// Keeps a session's list in a journal file (ListJournal) while it has changes not yet
// exported: the whole list is written a short delay after each change, from a copy on a
// worker thread, and the file is removed once nothing is left unexported or the list is
// empty. Created once any journal left by an earlier run has been dealt with.
class JournalKeeper final : public QObject
{
    Q_OBJECT
public:
    JournalKeeper(Session &session, QString path, QObject *parent = nullptr);
    // Writes a change still waiting for its delay, then waits for the writing to finish.
    ~JournalKeeper() override;

    const QString &path() const { return m_path; }
    // The time between a change and the writing (2 s unless told otherwise).
    void setDelay(std::chrono::milliseconds delay) { m_timer.setInterval(delay); }
    // Removes the journal, once any writing under way has finished.
    void discard();

    // Renames a damaged journal beside itself so that it is no longer offered; returns its
    // new path (the old one when it cannot be renamed, after removing it).
    static QString setAside(const QString &path);

private:
    void onLinesChanged();
    void write();

    Session &m_session;
    QString m_path;
    QTimer m_timer;
    QThreadPool m_writer; // one thread: the writings run one after another, in order
};
