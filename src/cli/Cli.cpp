#include "Cli.h"

#include "BuildVersion.h"
#include "settings/Folders.h"
#include "compare/CompareReport.h"
#include "compare/ListComparison.h"
#include "keys/Keys.h"
#include "keys/Statistics.h"
#include "model/UserError.h"
#include "reports/ReportPainter.h"
#include "reports/ReportTexts.h"
#include "session/Session.h"
#include "words/AmountInWords.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <cmath>

namespace
{

const char *const MainHelp =
    "Usage: talvoro-cli COMMAND [OPTIONS] ARGS...\n"
    "\n"
    "Headless front end of Talvoro CCP.\n"
    "\n"
    "Commands:\n"
    "  check FILE                    import a transfer file or a workbook and report its keys\n"
    "                                and totals\n"
    "  compare OLD NEW [--seuil PCT] [--pdf FILE] [--place TEXT]\n"
    "                                who came, who left, whose account, name or Net changed\n"
    "                                between last month's list and this month's\n"
    "  export-txt FILE --code CODE [--dir DIR]\n"
    "                                write the transfer text file of FILE's list\n"
    "  export-xlsx FILE --code CODE [--dir DIR]\n"
    "                                write the workbook of FILE's list\n"
    "  keys ACCOUNT...               CCP key and RIP key of each account\n"
    "  report list|errors FILE --pdf OUT [--place TEXT]\n"
    "                                write the nominative list or the error report as PDF\n"
    "  words [--lang LANG] AMOUNT... amounts written out in words (FR or AR)\n"
    "\n"
    "Options:\n"
    "  --help      show this help (also: talvoro-cli COMMAND --help)\n"
    "  --version   show the program version\n";

const char *const KeysHelp =
    "Usage: talvoro-cli keys ACCOUNT...\n"
    "\n"
    "Prints one line per account: the account, its CCP key and its RIP key, separated by\n"
    "tabs. An account holding a character other than a digit is reported on stderr instead\n"
    "and the exit status is then 1.\n";

const char *const CheckHelp =
    "Usage: talvoro-cli check FILE\n"
    "\n"
    "Imports a transfer text file or a workbook (.xlsx, .xls, .ods; told by the extension)\n"
    "as the window does and prints the number of lines, the RIP, CLE and ERR counters, the\n"
    "three totals and every error line. Exit status 0 when no line is in error, 1 when some\n"
    "are, 2 when the file cannot be read.\n";

const char *const ExportTxtHelp =
    "Usage: talvoro-cli export-txt FILE --code CODE [--dir DIR]\n"
    "\n"
    "Imports a transfer text file or a workbook as `check` does and writes the transfer\n"
    "text file \"Liste_Nominative_CODE.txt\" exactly as the window's export would, into\n"
    "DIR/\"Fichier Txt\"/ (DIR defaults to the program folder). Prints the path written.\n";

const char *const ExportXlsxHelp =
    "Usage: talvoro-cli export-xlsx FILE --code CODE [--dir DIR]\n"
    "\n"
    "Imports a transfer text file or a workbook as `check` does, repairs every key to the\n"
    "RIP key of its account and writes the workbook\n"
    "\"Liste Nominative_CODE_yyyymmdd_hhmmss.xlsx\" exactly as the window's export would,\n"
    "into DIR/\"Fichier Excel\"/ (DIR defaults to the program folder). Prints the path written.\n";

const char *const WordsHelp =
    "Usage: talvoro-cli words [--lang LANG] AMOUNT...\n"
    "\n"
    "Prints one line per amount of dinars, written out in words. LANG is FR (default) or\n"
    "any other text for Arabic. The amount may use '.' or ',' as decimal mark.\n";

const char *const ReportHelp =
    "Usage: talvoro-cli report list|errors FILE --pdf OUT [--place TEXT]\n"
    "\n"
    "Imports a transfer text file as check does and writes a report to OUT as PDF:\n"
    "  list    the nominative list, after every key is set to its RIP key\n"
    "  errors  the key errors recorded by the import's line checks\n"
    "TEXT is the ordering party's place printed at the top of the list; \\n starts a new\n"
    "line. Exit status 0 when the PDF is written, 1 when there is nothing to print, 2 for\n"
    "a usage error, an unreadable file or a report that cannot be prepared or written.\n";

const char *const CompareHelp =
    "Usage: talvoro-cli compare OLD NEW [--seuil PCT] [--pdf FILE] [--place TEXT]\n"
    "\n"
    "Reads last month's list OLD and this month's list NEW (transfer text files or\n"
    "workbooks, as check does) and prints the number of people in each category, then one\n"
    "line per difference:\n"
    "  Compte modifié   same person, another account or key\n"
    "  Nom modifié      same person and account, another name (case and accents ignored)\n"
    "  Montant modifié  same person, Net changed by more than PCT % (default 20; 0: any change)\n"
    "  Nouveau          in NEW only\n"
    "  Sorti            in OLD only\n"
    "  Doublon          an insurance number or an account found more than once in NEW\n"
    "People are matched by insurance number (12 digits, once in each list), otherwise by\n"
    "account. --pdf also writes the comparison report, with TEXT as the ordering party's\n"
    "place (\\n starts a new line). Exit status 0 when nothing differs, 1 when something\n"
    "does, 2 for a usage error or unreadable input.\n";

int usage(QTextStream &err, const QString &message, const char *help)
{
    err << "talvoro-cli: " << message << "\n\n" << help;
    return 2;
}

int cmdKeys(const QStringList &args, QTextStream &out, QTextStream &err)
{
    if (args.contains(QStringLiteral("--help"))) {
        out << KeysHelp;
        return 0;
    }
    if (args.isEmpty()) return usage(err, QStringLiteral("keys: no account given"), KeysHelp);
    int rc = 0;
    for (const QString &account : args) {
        try {
            const QString cle = CleCCP(account);
            out << account << '\t' << cle << '\t' << CleCcpRip(account) << '\n';
        } catch (const UserError &e) {
            out.flush();
            err << account << ": " << e.message() << '\n';
            err.flush();
            rc = 1;
        }
    }
    return rc;
}

// Imports a transfer file or a workbook into the session as the window's import command
// does. Returns false, with the message on err, when the file cannot be read.
bool importList(const QString &path, Session &session, QTextStream &err)
{
    try {
        session.importFile(path);
    } catch (const UserError &e) {
        err << e.message() << '\n';
        return false;
    }
    return true;
}

enum class Output { Txt, Xlsx };

int cmdExport(Output kind, const QStringList &args, QTextStream &out, QTextStream &err)
{
    const char *help = kind == Output::Txt ? ExportTxtHelp : ExportXlsxHelp;
    const QString name =
        kind == Output::Txt ? QStringLiteral("export-txt") : QStringLiteral("export-xlsx");
    QString file, code, dir;
    bool haveCode = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a == u"--help") {
            out << help;
            return 0;
        }
        if ((a == u"--code" || a == u"--dir") && i + 1 >= args.size())
            return usage(err, QStringLiteral("%1: %2 needs a value").arg(name, a), help);
        if (a == u"--code") {
            code = args[++i];
            haveCode = true;
        } else if (a == u"--dir") {
            dir = args[++i];
        } else if (file.isEmpty()) {
            file = a;
        } else {
            return usage(err, QStringLiteral("%1: unexpected '%2'").arg(name, a), help);
        }
    }
    if (file.isEmpty() || !haveCode)
        return usage(err, QStringLiteral("%1: give a file and --code").arg(name), help);
    try {
        Session::checkedCode(code, kind == Output::Txt ? Session::ExportKind::Text : Session::ExportKind::Workbook);
    } catch (const UserError &e) {
        err << e.message() << '\n';
        return 2;
    }
    Session session;
    if (!importList(file, session, err)) return 2;
    const auto kindOfExport = kind == Output::Txt ? Session::ExportKind::Text : Session::ExportKind::Workbook;
    // A folder given is used as it is (made when missing); by default the program's own
    // data folders are.
    if (!dir.isEmpty() && !QDir().mkpath(dir)) {
        err << "Cannot create folder \"" << dir << "\"\n";
        return 2;
    }
    const Folders folders = dir.isEmpty() ? Folders() : Folders(dir);
    if (!dir.isEmpty() && folders.dataRoot() != folders.programDir()) {
        err << "Cannot write into folder \"" << dir << "\"\n";
        return 2;
    }
    QString path;
    try {
        path = Session::exportPath(folders, kindOfExport, code);
        if (kind == Output::Txt)
            session.exportText(path);
        else
            session.exportWorkbook(path);
    } catch (const UserError &e) {
        err << e.message() << '\n';
        return 2;
    }
    out << path << '\n';
    return 0;
}

int cmdCheck(const QStringList &args, QTextStream &out, QTextStream &err)
{
    if (args.contains(QStringLiteral("--help"))) {
        out << CheckHelp;
        return 0;
    }
    if (args.size() != 1)
        return usage(err, QStringLiteral("check: give exactly one file"), CheckHelp);
    Session session;
    if (!importList(args.first(), session, err)) return 2;
    const ListFigures &f = session.figures();
    out << "Lignes: " << f.shown << '\n';
    for (const QString &line : Statistics::counterLines(f.rip, f.ccp, f.wrong))
        out << line << '\n';
    out << Statistics::totalNetText(f.netCents) << '\n'
        << Statistics::totalRendementText(f.rendCents) << '\n'
        << Statistics::totalGeneralText(f.netCents + f.rendCents) << '\n';
    for (const QString &line : session.errorLines())
        out << line << '\n';
    return f.wrong == 0 ? 0 : 1;
}

int cmdWords(const QStringList &args, QTextStream &out, QTextStream &err)
{
    QString lang = QStringLiteral("FR");
    QStringList amounts;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a == u"--help") {
            out << WordsHelp;
            return 0;
        }
        if (a == u"--lang") {
            if (i + 1 >= args.size())
                return usage(err, QStringLiteral("words: --lang needs a value"), WordsHelp);
            lang = args[++i];
        } else if (a.startsWith(u"--lang=")) {
            lang = a.mid(7);
        } else {
            amounts << a;
        }
    }
    if (amounts.isEmpty()) return usage(err, QStringLiteral("words: no amount given"), WordsHelp);
    QList<double> values;
    for (const QString &a : amounts) {
        QString t = a.trimmed();
        t.replace(u',', u'.');
        bool ok = false;
        const double v = t.toDouble(&ok);
        if (!ok || !std::isfinite(v) || std::fabs(v) >= 9.2e18)
            return usage(err, QStringLiteral("words: '%1' is not an amount").arg(a), WordsHelp);
        values << v;
    }
    for (double v : values)
        out << NombreEnToutesLettres(v, lang) << '\n';
    return 0;
}

int cmdReport(const QStringList &args, QTextStream &out, QTextStream &err)
{
    if (args.contains(QStringLiteral("--help"))) {
        out << ReportHelp;
        return 0;
    }
    QStringList plain;
    QString pdf, place;
    bool havePdf = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a == u"--pdf" || a == u"--place") {
            if (i + 1 >= args.size())
                return usage(err, QStringLiteral("report: %1 needs a value").arg(a), ReportHelp);
            (a == u"--pdf" ? pdf : place) = args[++i];
            havePdf = havePdf || a == u"--pdf";
        } else if (a.startsWith(u"--pdf=")) {
            pdf = a.mid(6);
            havePdf = true;
        } else if (a.startsWith(u"--place=")) {
            place = a.mid(8);
        } else if (a.startsWith(u"--")) {
            return usage(err, QStringLiteral("report: unknown option '%1'").arg(a), ReportHelp);
        } else {
            plain << a;
        }
    }
    if (plain.size() != 2 || (plain[0] != u"list" && plain[0] != u"errors"))
        return usage(err, QStringLiteral("report: give list or errors, then one file"), ReportHelp);
    if (!havePdf || pdf.isEmpty())
        return usage(err, QStringLiteral("report: --pdf OUT is required"), ReportHelp);
    place.replace(QStringLiteral("\\n"), QStringLiteral("\n"));

    Session session;
    if (!importList(plain[1], session, err))
        return 2;
    PreparedReport report;
    try {
        if (plain[0] == u"list") {
            if (session.figures().shown == 0) {
                err << ReportTexts::NoDataToPrint << '\n';
                return 1;
            }
            // As the window's command: every key becomes its RIP key, then the figures.
            report = session.listReport(place);
            out << "RIP corrected for all items." << '\n';
        } else {
            if (session.wrongRows().empty()) {
                err << ReportTexts::NoErrors << '\n';
                return 1;
            }
            report = session.errorReport();
        }
    } catch (const UserError &e) {
        err << e.message() << '\n';
        return 2;
    }
    QString error;
    if (!ReportPainter::writePdf(report, pdf, &error)) {
        err << error << '\n';
        return 2;
    }
    out << pdf << ": " << report.pageCount() << (report.pageCount() > 1 ? " pages" : " page")
        << '\n';
    return 0;
}

int cmdCompare(const QStringList &args, QTextStream &out, QTextStream &err)
{
    QStringList files;
    QString pdf, place, threshold = QStringLiteral("20");
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a == u"--help") {
            out << CompareHelp;
            return 0;
        }
        if (a == u"--seuil" || a == u"--pdf" || a == u"--place") {
            if (i + 1 >= args.size())
                return usage(err, QStringLiteral("compare: %1 needs a value").arg(a), CompareHelp);
            (a == u"--seuil" ? threshold : a == u"--pdf" ? pdf : place) = args[++i];
            if (a == u"--pdf" && pdf.isEmpty())
                return usage(err, QStringLiteral("compare: --pdf needs a file name"), CompareHelp);
        } else if (a.startsWith(u"--")) {
            return usage(err, QStringLiteral("compare: unknown option '%1'").arg(a), CompareHelp);
        } else {
            files << a;
        }
    }
    if (files.size() != 2)
        return usage(err, QStringLiteral("compare: give the previous list, then this month's"),
                     CompareHelp);
    int hundredths = 0;
    if (!ListComparison::parseThreshold(threshold, hundredths))
        return usage(err,
                     QStringLiteral("compare: --seuil '%1' is not a percentage").arg(threshold),
                     CompareHelp);
    place.replace(QStringLiteral("\\n"), QStringLiteral("\n"));

    ListComparison comparison;
    try {
        std::vector<TransferLine> previous = Session::readNamedFile(files[0]);
        std::vector<TransferLine> current = Session::readNamedFile(files[1]);
        comparison =
            ListComparison::compare(std::move(previous), std::move(current), hundredths,
                                    QFileInfo(files[0]).fileName(), QFileInfo(files[1]).fileName());
        if (!pdf.isEmpty()) {
            QString error;
            if (!ReportPainter::writePdf(CompareReport::prepare(comparison, place), pdf, &error))
                throw UserError(error);
        }
    } catch (const UserError &e) {
        err << e.message() << '\n';
        return 2;
    }
    for (const QString &line : comparison.summaryLines())
        out << line << '\n';
    for (const ListComparison::Entry &e : comparison.entries())
        out << comparison.detailLine(e) << '\n';
    return comparison.same() ? 0 : 1;
}

} // namespace

int runCli(const QStringList &args, QTextStream &out, QTextStream &err)
{
    if (args.isEmpty()) return usage(err, QStringLiteral("no command given"), MainHelp);
    const QString cmd = args.first();
    const QStringList rest = args.mid(1);
    if (cmd == u"--help" || cmd == u"-h" || cmd == u"help") {
        out << MainHelp;
        return 0;
    }
    if (cmd == u"--version") {
        out << "talvoro-cli " << TALVORO_VERSION << '\n';
        return 0;
    }
    if (cmd == u"check") return cmdCheck(rest, out, err);
    if (cmd == u"compare") return cmdCompare(rest, out, err);
    if (cmd == u"export-txt") return cmdExport(Output::Txt, rest, out, err);
    if (cmd == u"export-xlsx") return cmdExport(Output::Xlsx, rest, out, err);
    if (cmd == u"report") return cmdReport(rest, out, err);
    if (cmd == u"keys") return cmdKeys(rest, out, err);
    if (cmd == u"words") return cmdWords(rest, out, err);
    return usage(err, QStringLiteral("unknown command '%1'").arg(cmd), MainHelp);
}
