#pragma once

#include "HistoryArchive.h"
#include "session/Session.h"

#include <functional>
#include <memory>

// Keeps every export of the whole list in the payment history. The archive is opened when
// first needed and opened again after a failure, so that the next export retries.
class HistoryRecorder final
{
public:
    // Opens the archive. A recording started in the background calls it on its own thread
    // (a database connection is used only on the thread that made it).
    using Opener = std::function<std::unique_ptr<HistoryArchive>()>;
    explicit HistoryRecorder(Opener opener);
    // Waits for a recording still running.
    ~HistoryRecorder();
    HistoryRecorder(const HistoryRecorder &) = delete;
    HistoryRecorder &operator=(const HistoryRecorder &) = delete;

    // The recorder a session calls after an export (Session::setExportRecorder): it records
    // before the export returns.
    Session::ExportRecorder asSessionRecorder();
    // The same, but it only starts the recording on a worker thread, from a copy of the list
    // (a copy shares each line's text): the export returns at once, and the caller collects
    // the outcome with finishRecording(), for example once the clerk has read that the file
    // is written.
    Session::ExportRecorder asStartingRecorder();

    // Records the session's whole list, just written to the file of written. Returns an
    // empty text, or the message for the clerk when it could not be recorded.
    QString record(const Session &session, const Session::WrittenExport &written);
    // Starts recording the session's whole list on a worker thread (after the one before
    // has ended).
    void startRecording(const Session &session, const Session::WrittenExport &written);
    // Waits for the recording started, if any. Returns an empty text, or the message for the
    // clerk when it could not be recorded.
    QString finishRecording();

    // The archive, opened when missing; throws UserError when it cannot be.
    HistoryArchive &archive();
    // Forgets the open archive (after a failure: it is opened again next time).
    void reset() { m_archive.reset(); }
    // The archive's lines are the list's, whatever thread records them.
    static ArchivedLineView viewOf(const TransferLine &line);

    // The export and lines that a session's whole list makes.
    static ArchivedExport exportOf(const Session &session, const Session::WrittenExport &written);
    static std::vector<ArchivedLine> linesOf(const WorkingList &list);
    // The SHA-256 of a file, lower-case hexadecimal; throws UserError when it cannot be read.
    static QString fileSha256(const QString &path);
    // Lines of the list as they were archived, for comparing and opening.
    static std::vector<TransferLine> asTransferLines(const std::vector<ArchivedLine> &lines);
    // "Export CODE du dd/MM/yyyy HH:mm", where a list's file name would stand.
    static QString exportName(const ArchivedExport &exported);

private:
    static ArchivedExport exportWithoutHash(const Session &session,
                                            const Session::WrittenExport &written);
    // Records into a (opened when null) the export and its lines, hashing the file written
    // on a thread of its own; returns the message for the clerk, or an empty text.
    static QString recordInto(std::unique_ptr<HistoryArchive> &a, const Opener &opener,
                              const ArchivedExport &exported, size_t count,
                              const HistoryArchive::LineSource &line, const QString &path);

    Opener m_opener;
    std::unique_ptr<HistoryArchive> m_archive;
    // The recording running on a worker thread, and what it had to say.
    struct Recording;
    std::unique_ptr<Recording> m_recording;
    QString m_recordingProblem;
};
