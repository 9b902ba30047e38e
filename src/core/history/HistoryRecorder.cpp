#include "HistoryRecorder.h"

#include "BuildVersion.h"
#include "HistoryTexts.h"
#include "model/AmountText.h"
#include "model/UserError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <memory>
#include <new>
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
        const ArchivedExport exported = exportOf(session, written);
        HistoryArchive &a = archive();
        location = a.location();
        const WorkingList &list = session.list();
        a.record(exported, size_t(list.totalCount()), [&list](size_t i) {
            const TransferLine &t = list.lineOfAll(int(i));
            return ArchivedLineView{t.captionView(),
                                    t.subItemView(TransferLine::Compte).trimmed(),
                                    t.subItemView(TransferLine::CleRip).trimmed(),
                                    t.figures.netCents,
                                    t.figures.rendCents,
                                    t.subItemView(TransferLine::NumAss).trimmed(),
                                    t.subItemView(TransferLine::NomPrenom).trimmed(),
                                    t.subItemView(TransferLine::TypeContrat).trimmed()};
        });
        return {};
    } catch (const UserError &e) {
        m_archive.reset();
        return HistoryTexts::CannotRecord.arg(location.isEmpty() ? QStringLiteral("?") : location,
                                              e.message());
    } catch (const std::bad_alloc &) {
        m_archive.reset();
        return HistoryTexts::CannotRecord.arg(location, OutOfMemoryText);
    }
}

ArchivedExport HistoryRecorder::exportOf(const Session &session,
                                         const Session::WrittenExport &written)
{
    ArchivedExport e;
    e.exportedAt = written.when.isValid() ? written.when : QDateTime::currentDateTime();
    e.code = written.code.trimmed().isEmpty() ? codeFromFileName(written.path, written.kind)
                                              : written.code.trimmed();
    e.kind =
        written.kind == Session::ExportKind::Text ? QStringLiteral("txt") : QStringLiteral("xlsx");
    e.filePath = QDir::toNativeSeparators(QFileInfo(written.path).absoluteFilePath());
    e.sha256 = fileSha256(written.path);
    const WorkingList &list = session.list();
    e.lineCount = list.totalCount();
    for (int i = 0; i < list.totalCount(); ++i) {
        e.netCents += list.lineOfAll(i).figures.netCents;
        e.rendCents += list.lineOfAll(i).figures.rendCents;
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
        l.account = trimmed(t.subItemView(TransferLine::Compte));
        l.key = trimmed(t.subItemView(TransferLine::CleRip));
        l.netCents = t.figures.netCents;
        l.rendCents = t.figures.rendCents;
        l.insurance = trimmed(t.subItemView(TransferLine::NumAss));
        l.name = trimmed(t.subItemView(TransferLine::NomPrenom));
        l.contractType = trimmed(t.subItemView(TransferLine::TypeContrat));
        lines.push_back(std::move(l));
    }
    return lines;
}

QString HistoryRecorder::fileSha256(const QString &path)
{
    // OpenSSL's digest uses the processor's SHA instructions where there are some: on a
    // million-line export Qt's own took about a third of the export command.
    QFile f(path);
    auto unreadable = [&] {
        return UserError(
            HistoryTexts::FileUnreadable.arg(QDir::toNativeSeparators(path), f.errorString()));
    };
    if (!f.open(QIODevice::ReadOnly)) throw unreadable();
    const std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX *)> ctx(EVP_MD_CTX_new(),
                                                                  EVP_MD_CTX_free);
    if (!ctx || EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr) != 1) throw std::bad_alloc();
    QByteArray chunk(1 << 20, Qt::Uninitialized);
    for (;;) {
        const qint64 got = f.read(chunk.data(), chunk.size());
        if (got < 0) throw unreadable();
        if (got == 0) break;
        EVP_DigestUpdate(ctx.get(), chunk.constData(), size_t(got));
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(ctx.get(), digest, &length);
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char *>(digest), int(length)).toHex());
}

std::vector<TransferLine> HistoryRecorder::asTransferLines(const std::vector<ArchivedLine> &lines)
{
    std::vector<TransferLine> out;
    out.reserve(lines.size());
    for (const ArchivedLine &l : lines)
        out.emplace_back(l.caption, l.account, l.key, AmountText::formatCents(l.netCents),
                         AmountText::formatCents(l.rendCents), l.insurance, l.name, l.contractType);
    return out;
}

QString HistoryRecorder::exportName(const ArchivedExport &exported)
{
    return HistoryTexts::ExportName.arg(
        exported.code, exported.exportedAt.toString(QStringLiteral("dd/MM/yyyy HH:mm")));
}
