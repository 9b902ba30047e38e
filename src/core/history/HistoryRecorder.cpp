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

namespace
{

QString trimmed(QStringView text)
{
    return text.trimmed().toString();
}

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

Session::ExportRecorder HistoryRecorder::asSessionRecorder()
{
    return [this](const Session &session, const Session::WrittenExport &written) {
        return record(session, written);
    };
}

HistoryArchive &HistoryRecorder::archive()
{
    if (!m_archive) m_archive = m_opener();
    return *m_archive;
}

QString HistoryRecorder::record(const Session &session, const Session::WrittenExport &written)
{
    QString location;
    try {
        // The file is hashed on its own thread while the lines are recorded.
        auto sha256 = std::async(std::launch::async, &HistoryRecorder::fileSha256, written.path);
        const ArchivedExport exported = exportWithoutHash(session, written);
        HistoryArchive &a = archive();
        location = a.location();
        const WorkingList &list = session.list();
        a.record(
            exported, size_t(list.totalCount()),
            [&list](size_t i) {
                const TransferLine &t = list.lineOfAll(int(i));
                return ArchivedLineView{t.captionView(),
                                        t.subItemView(TransferLine::Account).trimmed(),
                                        t.subItemView(TransferLine::Key).trimmed(),
                                        t.figures.netCents,
                                        t.figures.yieldCents,
                                        t.subItemView(TransferLine::Insurance).trimmed(),
                                        t.subItemView(TransferLine::Name).trimmed(),
                                        t.subItemView(TransferLine::ContractType).trimmed()};
            },
            [&sha256] { return sha256.get(); });
        return {};
    } catch (const UserError &e) {
        m_archive.reset();
        return HistoryTexts::CannotRecord().arg(location.isEmpty() ? QStringLiteral("?") : location,
                                                e.message());
    } catch (const std::bad_alloc &) {
        m_archive.reset();
        return HistoryTexts::CannotRecord().arg(location, OutOfMemoryText);
    }
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
        const TransferLine &t = list.lineOfAll(i);
        ArchivedLine l;
        l.caption = t.caption();
        l.account = trimmed(t.subItemView(TransferLine::Account));
        l.key = trimmed(t.subItemView(TransferLine::Key));
        l.netCents = t.figures.netCents;
        l.yieldCents = t.figures.yieldCents;
        l.insurance = trimmed(t.subItemView(TransferLine::Insurance));
        l.name = trimmed(t.subItemView(TransferLine::Name));
        l.contractType = trimmed(t.subItemView(TransferLine::ContractType));
        lines.push_back(std::move(l));
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
