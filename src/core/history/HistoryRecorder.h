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
    using Opener = std::function<std::unique_ptr<HistoryArchive>()>;
    explicit HistoryRecorder(Opener opener) : m_opener(std::move(opener)) {}

    // The recorder a session calls after an export (Session::setExportRecorder).
    Session::ExportRecorder asSessionRecorder();

    // Records the session's whole list, just written to the file of written. Returns an
    // empty text, or the message for the clerk when it could not be recorded.
    QString record(const Session &session, const Session::WrittenExport &written);

    // The archive, opened when missing; throws UserError when it cannot be.
    HistoryArchive &archive();
    // Forgets the open archive (after a failure: it is opened again next time).
    void reset() { m_archive.reset(); }

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

    Opener m_opener;
    std::unique_ptr<HistoryArchive> m_archive;
};
