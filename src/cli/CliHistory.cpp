// talvoro-cli's history command (list, show, person), and the place and folders that
// several commands take.
#include "CliCommand.h"

#include "BuildVersion.h"
#include "compare/CompareReport.h"
#include "compare/ListComparison.h"
#include "history/AnnualStatement.h"
#include "history/HistoryRecorder.h"
#include "history/HistorySettings.h"
#include "history/HistoryTexts.h"
#include "keys/Keys.h"
#include "keys/Statistics.h"
#include "model/AmountText.h"
#include "model/UserError.h"
#include "reports/ReportPainter.h"
#include "reports/ReportTexts.h"
#include "session/RepairMessage.h"
#include "session/Session.h"
#include "settings/Folders.h"
#include "words/AmountInWords.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <array>
#include <cmath>

namespace CliCommands
{

// The place as typed: "\n" starts a new line.
QString placeText(QString typed)
{
    return typed.replace(QStringLiteral("\\n"), QStringLiteral("\n"));
}

// The folders a command's --dir names (made when missing), or the program's own. Throws
// UserError when the folder named cannot be made or written.
Folders foldersOf(const Call &c)
{
    const QString dir = c.value("dir");
    if (dir.isEmpty()) return Folders();
    if (!QDir().mkpath(dir))
        throw UserError(QCoreApplication::translate("Cli", "Cannot create folder \"%1\"").arg(dir));
    Folders folders(dir);
    if (folders.dataRoot() != folders.programDir())
        throw UserError(
            QCoreApplication::translate("Cli", "Cannot write into folder \"%1\"").arg(dir));
    return folders;
}

} // namespace CliCommands

namespace
{

using namespace CliCommands;

QString centsText(int64_t cents)
{
    return AmountText::formatCentsTrimmed(cents);
}

QString dateText(const QDateTime &when)
{
    return when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

int historyList(const Call &c, HistoryArchive &archive)
{
    const std::vector<ArchivedExport> all = archive.exports();
    for (const ArchivedExport &e : all)
        c.out << e.id << '\t' << dateText(e.exportedAt) << '\t' << e.code << '\t' << e.kind << '\t'
              << e.lineCount << '\t' << centsText(e.netCents) << '\t' << centsText(e.yieldCents)
              << '\t' << e.filePath << '\n';
    return all.empty() ? 1 : 0;
}

int historyShow(const Call &c, HistoryArchive &archive)
{
    bool ok = false;
    const qlonglong id = c.args.value(1).toLongLong(&ok);
    if (c.args.size() != 2 || !ok)
        return c.usage(QCoreApplication::translate("Cli", "give one export number"));
    const std::optional<ArchivedExport> e = archive.exportById(id);
    if (!e) {
        c.err << HistoryTexts::NoSuchExport().arg(id) << '\n';
        return 1;
    }
    const std::vector<ArchivedLine> lines = archive.lines(id);
    if (c.has("out")) {
        const QString out = c.value("out");
        if (out.isEmpty())
            return c.usage(QCoreApplication::translate("Cli", "--out needs a file name"));
        Session session;
        session.replaceAll(HistoryRecorder::asTransferLines(lines));
        session.exportText(out);
        c.out << out << '\n';
        return 0;
    }
    c.out << e->id << '\t' << dateText(e->exportedAt) << '\t' << e->code << '\t' << e->kind << '\t'
          << e->lineCount << '\t' << centsText(e->netCents) << '\t' << centsText(e->yieldCents)
          << '\t' << e->sha256 << '\t' << e->filePath << '\n';
    for (const ArchivedLine &l : lines)
        c.out << l.caption << '\t' << l.account << '\t' << l.key << '\t' << centsText(l.netCents)
              << '\t' << centsText(l.yieldCents) << '\t' << l.insurance << '\t' << l.name << '\t'
              << l.contractType << '\n';
    return 0;
}

int historyPerson(const Call &c, HistoryArchive &archive)
{
    if (c.args.size() != 2)
        return c.usage(QCoreApplication::translate("Cli", "give one insurance number"));
    int year = 0;
    if (c.has("year")) {
        bool ok = false;
        year = c.value("year").toInt(&ok);
        if (!ok || year < 1900 || year > 9999)
            return c.usage(QCoreApplication::translate("Cli", "--year '%1' is not a year")
                               .arg(c.value("year")));
    }
    if (c.has("pdf") && (c.value("pdf").isEmpty() || year == 0))
        return c.usage(QCoreApplication::translate("Cli", "--pdf needs a file name and --year"));
    const std::vector<PersonPayment> found =
        year ? archive.personYear(c.args[1], year)
             : archive.findPerson(PersonField::Insurance, c.args[1]);
    int64_t net = 0, yield = 0;
    for (const PersonPayment &p : found) {
        c.out << p.exported.exportedAt.toString(QStringLiteral("yyyy-MM")) << '\t'
              << p.exported.code << '\t' << p.line.account << '/' << p.line.key << '\t'
              << centsText(p.line.netCents) << '\t' << centsText(p.line.yieldCents) << '\t'
              << p.line.name << '\n';
        net += p.line.netCents;
        yield += p.line.yieldCents;
    }
    if (year)
        c.out << QCoreApplication::translate("Cli", "Total ") << year << '\t' << centsText(net)
              << '\t' << centsText(yield) << '\n';
    if (c.has("pdf")) {
        QString error;
        if (!ReportPainter::writePdf(AnnualStatement::prepare(c.args[1].trimmed(), year, found,
                                                              placeText(c.value("place"))),
                                     c.value("pdf"), &error))
            throw UserError(error);
        c.out << c.value("pdf") << '\n';
    }
    return found.empty() ? 1 : 0;
}

} // namespace

namespace CliCommands
{

int runHistory(const Call &c)
{
    const QString what = c.args.value(0);
    if (what != u"list" && what != u"show" && what != u"person")
        return c.usage(QCoreApplication::translate("Cli", "give list, show or person"));
    if (what == u"list" && c.args.size() != 1)
        return c.usage(QCoreApplication::translate("Cli", "unexpected '%1'").arg(c.args[1]));
    try {
        const std::unique_ptr<HistoryArchive> archive = HistorySettings::read(foldersOf(c)).open();
        if (what == u"list") return historyList(c, *archive);
        if (what == u"show") return historyShow(c, *archive);
        return historyPerson(c, *archive);
    } catch (const UserError &e) {
        c.err << e.message() << '\n';
        return 2;
    }
}

} // namespace CliCommands
