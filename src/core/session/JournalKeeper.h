#pragma once

#include <QObject>
#include <QString>
#include <QThreadPool>
#include <QTimer>
#include <chrono>

class Session;

// Keeps a session's list in a journal file (ListJournal) while it has changes not yet
// exported: the whole list is written, from a copy on a worker thread, at most a short delay
// after the first change the file does not yet hold, however often changes follow; the file
// is removed once nothing is left unexported or the list is empty. Created once any journal
// left by an earlier run has been dealt with. A keeper without a path keeps nothing (another
// window owns the journal).
class JournalKeeper final : public QObject
{
    Q_OBJECT
public:
    JournalKeeper(Session &session, QString path, QObject *parent = nullptr);
    // Writes a change still waiting for its delay, then waits for the writing to finish.
    ~JournalKeeper() override;

    const QString &path() const { return m_path; }
    // The longest time between a change and the writing that holds it (2 s unless told).
    void setDelay(std::chrono::milliseconds delay) { m_timer.setInterval(delay); }
    // Removes the journal, once any writing under way has finished.
    void discard();
    // True while the last writing failed: the file on disk no longer holds the list.
    bool failing() const { return m_failing; }

    // Renames a damaged journal beside itself so that it is no longer offered; returns its
    // new path (the old one when it cannot be renamed, after removing it).
    static QString setAside(const QString &path);

signals:
    // A writing failed, after one that did not: the message names the file and the reason.
    // The older journal has been removed (or emptied), so that it is never offered as the
    // list. Told once until a writing succeeds again.
    void writeFailed(const QString &message);
    // A writing succeeded after failing ones.
    void writeRecovered();

private:
    void onLinesChanged();
    void write();
    void onWritten(quint64 generation, const QString &problem);
    // Takes an older journal out of the way so that it is never offered as the list.
    void removeStale();

    Session &m_session;
    QString m_path;
    QTimer m_timer;
    QThreadPool m_writer;     // one thread: the writings run one after another, in order
    quint64 m_generation = 0; // a discard makes the writings before it stale
    bool m_failing = false;
};
