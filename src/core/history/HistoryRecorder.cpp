#include "HistoryRecorder.h"

#include "BuildVersion.h"
#include "HistoryTexts.h"
#include "model/AmountText.h"
#include "model/UserError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <future>
#include <memory>
#include <openssl/evp.h>
#include <thread>
#include <utility>

namespace
{

// The ordering code of a file the exports name, when the caller did not give it:
// "Liste_Nominative_CODE.txt" or "Liste Nominative_CODE_yyyymmdd_hhmmss.xlsx".
QString codeFromFileName(const QString &path, Session::ExportKind kind)
{
    QString name = QFileInfo(path).fileName();
    if (kind == Session::ExportKind::Text) {
        if (name.startsWith(QLatin1String("Liste_Nominative_")) &&
            name.endsWith(QLatin1String(".txt")))
            return name.mid(17, name.size() - 17 - 4);
    } else if (name.startsWith(QLatin1String("Liste Nominative_")) &&
               name.endsWith(QLatin1String(".xlsx")) && name.size() > 17 + 21) {
        return name.mid(17, name.size() - 17 - 21);
    }
    return QFileInfo(path).completeBaseName();
}

} // namespace

// A recording made on a worker thread: the export and a copy of its lines, so that the
// clerk may change the list while it runs.
struct HistoryRecorder::Recording {
    ArchivedExport exported;
    std::vector<TransferLine> lines;
    QString path;
    QString problem; // set by the worker before it ends
    std::thread worker;
};

HistoryRecorder::HistoryRecorder(Opener opener) : m_opener(std::move(opener)) {}

HistoryRecorder::~HistoryRecorder()
{
    finishRecording();
}

Session::ExportRecorder HistoryRecorder::asSessionRecorder()
{
    return [this](const Session &session, const Session::WrittenExport &written) {
        return record(session, written);
    };
}

Session::ExportRecorder HistoryRecorder::asStartingRecorder()
{
    return [this](const Session &session, const Session::WrittenExport &written) {
        startRecording(session, written);
        return QString();
    };
}

HistoryArchive &HistoryRecorder::archive()
{
    // What a recording still running writes is seen by whoever reads next.
    if (m_recording) m_recordingProblem = finishRecording();
    if (!m_archive) m_archive = m_opener();
    return *m_archive;
}

ArchivedLineView HistoryRecorder::viewOf(const TransferLine &t)
{
    return {t.captionView(),
            t.subItemView(TransferLine::Account).trimmed(),
            t.subItemView(TransferLine::Key).trimmed(),
            t.figures.netCents,
            t.figures.yieldCents,
            t.subItemView(TransferLine::Insurance).trimmed(),
            t.subItemView(TransferLine::Name).trimmed(),
            t.subItemView(TransferLine::ContractType).trimmed()};
}

QString HistoryRecorder::recordInto(std::unique_ptr<HistoryArchive> &a, const Opener &opener,
                                    const ArchivedExport &exported, size_t count,
                                    const HistoryArchive::LineSource &line, const QString &path)
{
    QString location;
    try {
        // The file is hashed on its own thread while the lines are recorded.
        auto sha256 = std::async(std::launch::async, &HistoryRecorder::fileSha256, path);
        if (!a) a = opener();
        location = a->location();
        a->record(exported, count, line, [&sha256] { return sha256.get(); });
        return {};
    } catch (const UserError &e) {
        a.reset();
        return HistoryTexts::CannotRecord().arg(location.isEmpty() ? QStringLiteral("?") : location,
                                                e.message());
    } catch (const std::bad_alloc &) {
        a.reset();
        return HistoryTexts::CannotRecord().arg(location.isEmpty() ? QStringLiteral("?") : location,
                                                OutOfMemoryText);
    }
}

QString HistoryRecorder::record(const Session &session, const Session::WrittenExport &written)
{
    if (m_recording) m_recordingProblem = finishRecording();
    const WorkingList &list = session.list();
    return recordInto(
        m_archive, m_opener, exportWithoutHash(session, written), size_t(list.totalCount()),
        [&list](size_t i) { return viewOf(list.lineOfAll(int(i))); }, written.path);
}

void HistoryRecorder::startRecording(const Session &session, const Session::WrittenExport &written)
{
    if (m_recording) m_recordingProblem = finishRecording();
    auto r = std::make_unique<Recording>();
    r->exported = exportWithoutHash(session, written);
    const WorkingList &list = session.list();
    r->lines.reserve(size_t(list.totalCount()));
    for (int i = 0; i < list.totalCount(); ++i)
        r->lines.push_back(list.lineOfAll(i));
    r->path = written.path;
    Recording *job = r.get();
    r->worker = std::thread([job, opener = m_opener] {
        // The worker's own connection, made, used and closed on this thread.
        std::unique_ptr<HistoryArchive> a;
        try {
            job->problem = recordInto(
                a, opener, job->exported, job->lines.size(),
                [job](size_t i) { return viewOf(job->lines[i]); }, job->path);
        } catch (const std::exception &e) {
            job->problem = QString::fromUtf8(e.what());
        }
    });
    m_recording = std::move(r);
}

QString HistoryRecorder::finishRecording()
{
    QString problem = std::exchange(m_recordingProblem, QString());
    if (!m_recording) return problem;
    m_recording->worker.join();
    if (problem.isEmpty()) problem = m_recording->problem;
    m_recording.reset();
    return problem;
}

ArchivedExport HistoryRecorder::exportOf(const Session &session,
                                         const Session::WrittenExport &written)
{
    ArchivedExport e = exportWithoutHash(session, written);
    e.sha256 = fileSha256(written.path);
    return e;
}

ArchivedExport HistoryRecorder::exportWithoutHash(const Session &session,
                                                  const Session::WrittenExport &written)
{
    ArchivedExport e;
    e.exportedAt = written.when.isValid() ? written.when : QDateTime::currentDateTime();
    e.code = written.code.trimmed().isEmpty() ? codeFromFileName(written.path, written.kind)
                                              : written.code.trimmed();
    e.kind =
        written.kind == Session::ExportKind::Text ? QStringLiteral("txt") : QStringLiteral("xlsx");
    e.filePath = QDir::toNativeSeparators(QFileInfo(written.path).absoluteFilePath());
    const WorkingList &list = session.list();
    e.lineCount = list.totalCount();
    for (int i = 0; i < list.totalCount(); ++i) {
        e.netCents += list.lineOfAll(i).figures.netCents;
        e.yieldCents += list.lineOfAll(i).figures.yieldCents;
    }
    e.programVersion = QStringLiteral(TALVORO_VERSION);
    return e;
}

std::vector<ArchivedLine> HistoryRecorder::linesOf(const WorkingList &list)
{
    std::vector<ArchivedLine> lines;
    lines.reserve(size_t(list.totalCount()));
    for (int i = 0; i < list.totalCount(); ++i) {
        // The same cells a recording keeps.
        const ArchivedLineView v = viewOf(list.lineOfAll(i));
        lines.push_back({v.caption.toString(), v.account.toString(), v.key.toString(), v.netCents,
                         v.yieldCents, v.insurance.toString(), v.name.toString(),
                         v.contractType.toString()});
    }
    return lines;
}

QString HistoryRecorder::fileSha256(const QString &path)
{
    // OpenSSL's digest uses the processor's SHA instructions where there are some: a
    // month's file is hashed in a fraction of the time its lines take to record.
    QFile f(path);
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    bool ok = f.open(QIODevice::ReadOnly) && ctx &&
              EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr) == 1;
    QByteArray chunk(1 << 20, Qt::Uninitialized);
    while (ok) {
        const qint64 n = f.read(chunk.data(), chunk.size());
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        ok = EVP_DigestUpdate(ctx.get(), chunk.constData(), size_t(n)) == 1;
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (!ok || EVP_DigestFinal_ex(ctx.get(), digest, &size) != 1)
        throw UserError(
            HistoryTexts::FileUnreadable().arg(QDir::toNativeSeparators(path), f.errorString()));
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char *>(digest), qsizetype(size)).toHex());
}

std::vector<TransferLine> HistoryRecorder::asTransferLines(const std::vector<ArchivedLine> &lines)
{
    std::vector<TransferLine> out;
    out.reserve(lines.size());
    for (const ArchivedLine &l : lines)
        out.emplace_back(l.caption, l.account, l.key, AmountText::formatCents(l.netCents),
                         AmountText::formatCents(l.yieldCents), l.insurance, l.name,
                         l.contractType);
    return out;
}

QString HistoryRecorder::exportName(const ArchivedExport &exported)
{
    return HistoryTexts::ExportName().arg(
        exported.code, exported.exportedAt.toString(QStringLiteral("dd/MM/yyyy HH:mm")));
}
