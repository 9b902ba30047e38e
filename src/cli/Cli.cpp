#include "Cli.h"
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

using namespace CliCommands;

namespace
{

// What each command prints below its usage line for "COMMAND --help".

const char *const KeysHelp = QT_TRANSLATE_NOOP(
    "Cli", "Prints one line per account: the account, its CCP key and its RIP key, separated by\n"
           "tabs. An account holding a character other than a digit is reported on stderr instead\n"
           "and the exit status is then 1.\n");

const char *const CheckHelp = QT_TRANSLATE_NOOP(
    "Cli",
    "Imports a transfer text file or a workbook (.xlsx, .xls, .ods; told by the extension)\n"
    "as the window does and prints the number of lines, the RIP, CLE and ERR counters, the\n"
    "three totals and every error line. Exit status 0 when no line is in error, 1 when some\n"
    "are, 2 when the file cannot be read.\n");

const char *const ExportTxtHelp = QT_TRANSLATE_NOOP(
    "Cli", "Imports a transfer text file or a workbook as `check` does and writes the transfer\n"
           "text file \"Liste_Nominative_CODE.txt\" exactly as the window's export would, into\n"
           "DIR/\"Fichier Txt\"/ (DIR defaults to the program folder). Prints the path written.\n");

const char *const ExportXlsxHelp = QT_TRANSLATE_NOOP(
    "Cli",
    "Imports a transfer text file or a workbook as `check` does, repairs every key to the\n"
    "RIP key of its account and writes the workbook\n"
    "\"Liste Nominative_CODE_yyyymmdd_hhmmss.xlsx\" exactly as the window's export would,\n"
    "into DIR/\"Fichier Excel\"/ (DIR defaults to the program folder). Prints the path written.\n");

const char *const WordsHelp = QT_TRANSLATE_NOOP(
    "Cli", "Prints one line per amount of dinars, written out in words. LANG is FR (default) or\n"
           "any other text for Arabic. The amount may use '.' or ',' as decimal mark.\n");

const char *const ReportHelp = QT_TRANSLATE_NOOP(
    "Cli", "Imports a transfer text file as check does and writes a report to OUT as PDF:\n"
           "  list    the nominative list, after every key is set to its RIP key\n"
           "  errors  the key errors recorded by the import's line checks\n"
           "TEXT is the ordering party's place printed at the top of the list; \\n starts a new\n"
           "line. Exit status 0 when the PDF is written, 1 when there is nothing to print, 2 for\n"
           "a usage error, an unreadable file or a report that cannot be prepared or written.\n");

const char *const HistoryHelp = QT_TRANSLATE_NOOP(
    "Cli",
    "The payment history: every export of the whole list, kept by the window and by\n"
    "export-txt and export-xlsx (an SQLite file in DIR/\"Historique\", or the PostgreSQL\n"
    "archive set in DIR/\"Fichier_INI\"/Direction.ini; DIR defaults to the program folder).\n"
    "  list           one line per export, newest first: number, date, code, kind, lines,\n"
    "                 Net and Rendement totals, file written\n"
    "  show ID        the export's lines; --out FILE writes them as a transfer text file\n"
    "  person NUMBER  every payment to an insurance number, newest first (--year: the\n"
    "                 year's, oldest first, with its totals); --pdf FILE writes the\n"
    "                 annual statement of --year\n"
    "Exit status 0 when something was found, 1 when nothing was, 2 for a usage error or\n"
    "an archive that cannot be read.\n");

const char *const CompareHelp = QT_TRANSLATE_NOOP(
    "Cli",
    "Reads last month's list OLD and this month's list NEW (transfer text files or\n"
    "workbooks, as check does; with --last NEW, OLD is the last archived export, see\n"
    "history) and prints the number of people in each category, then one\n"
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
    "does, 2 for a usage error or unreadable input.\n");

int runKeys(const Call &c)
{
    if (c.args.isEmpty()) return c.usage(QCoreApplication::translate("Cli", "no account given"));
    int rc = 0;
    for (const QString &account : c.args) {
        try {
            const QString ccpKey = ccpKeyText(account);
            c.out << account << '\t' << ccpKey << '\t' << ripKeyText(account) << '\n';
        } catch (const UserError &e) {
            c.out.flush();
            c.err << account << ": " << e.message() << '\n';
            c.err.flush();
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

int runExport(const Call &c, Session::ExportKind kind)
{
    if (c.args.size() > 1)
        return c.usage(QCoreApplication::translate("Cli", "unexpected '%1'").arg(c.args[1]));
    if (c.args.isEmpty() || !c.has("code"))
        return c.usage(QCoreApplication::translate("Cli", "give a file and --code"));
    const QString code = c.value("code"), dir = c.value("dir");
    try {
        Session::checkedCode(code, kind);
    } catch (const UserError &e) {
        c.err << e.message() << '\n';
        return 2;
    }
    Session session;
    if (!importList(c.args.first(), session, c.err)) return 2;
    // A folder given is used as it is (made when missing); by default the program's own
    // data folders are.
    if (!dir.isEmpty() && !QDir().mkpath(dir)) {
        c.err << QCoreApplication::translate("Cli", "Cannot create folder \"%1\"").arg(dir) << '\n';
        return 2;
    }
    const Folders folders = dir.isEmpty() ? Folders() : Folders(dir);
    if (!dir.isEmpty() && folders.dataRoot() != folders.programDir()) {
        c.err << QCoreApplication::translate("Cli", "Cannot write into folder \"%1\"").arg(dir)
              << '\n';
        return 2;
    }
    QString path;
    // The export is kept in the payment history; an archive that cannot be written is told
    // on stderr and does not undo the export.
    const HistorySettings history = HistorySettings::read(folders);
    HistoryRecorder recorder([&history] { return history.open(); });
    session.setExportRecorder(recorder.asSessionRecorder());
    Session::ExportResult result;
    // The workbook export first repairs every key to its RIP key, and says so as the window
    // does, even when the writing then fails.
    Session::RepairResult repair;
    auto tellRepair = [&] {
        if (kind == Session::ExportKind::Workbook)
            c.out << repairMessage(KeyKind::Rip, repair) << '\n';
    };
    try {
        path = Session::exportPath(folders, kind, code);
        if (kind == Session::ExportKind::Text)
            result = session.exportText(path, code);
        else
            result = session.exportWorkbook(path, &repair, code);
    } catch (const UserError &e) {
        if (repair.repaired > 0 || !repair.leftRows.empty()) tellRepair();
        c.err << e.message() << '\n';
        return 2;
    }
    tellRepair();
    c.out << path << '\n';
    if (!result.recordProblem.isEmpty()) c.err << result.recordProblem << '\n';
    return 0;
}

int runExportText(const Call &c)
{
    return runExport(c, Session::ExportKind::Text);
}
int runExportWorkbook(const Call &c)
{
    return runExport(c, Session::ExportKind::Workbook);
}

int runCheck(const Call &c)
{
    if (c.args.size() != 1)
        return c.usage(QCoreApplication::translate("Cli", "give exactly one file"));
    Session session;
    if (!importList(c.args.first(), session, c.err)) return 2;
    const ListFigures &f = session.figures();
    c.out << QCoreApplication::translate("Cli", "Lignes: ") << f.shown << '\n';
    for (const QString &line : Statistics::counterLines(f.rip, f.ccp, f.wrong))
        c.out << line << '\n';
    c.out << Statistics::totalNetText(f.netCents) << '\n'
          << Statistics::totalYieldText(f.yieldCents) << '\n'
          << Statistics::totalGeneralText(f.generalCents()) << '\n';
    // A warning only: the exit status is that of the keys.
    if (const QString warning = session.shortInsuranceWarning(); !warning.isEmpty())
        c.out << warning << '\n';
    for (const QString &line : session.errorLines())
        c.out << line << '\n';
    return f.wrong == 0 ? 0 : 1;
}

int runWords(const Call &c)
{
    const QString language = c.has("lang") ? c.value("lang") : QStringLiteral("FR");
    if (c.args.isEmpty()) return c.usage(QCoreApplication::translate("Cli", "no amount given"));
    QList<double> values;
    for (const QString &a : c.args) {
        QString t = a.trimmed();
        t.replace(u',', u'.');
        bool ok = false;
        const double v = t.toDouble(&ok);
        if (!ok || !std::isfinite(v) || std::fabs(v) >= 9.2e18)
            return c.usage(QCoreApplication::translate("Cli", "'%1' is not an amount").arg(a));
        values << v;
    }
    for (double v : values)
        c.out << amountInWords(v, language) << '\n';
    return 0;
}

int runReport(const Call &c)
{
    if (c.args.size() != 2 || (c.args[0] != u"list" && c.args[0] != u"errors"))
        return c.usage(QCoreApplication::translate("Cli", "give list or errors, then one file"));
    const QString pdf = c.value("pdf");
    if (pdf.isEmpty()) return c.usage(QCoreApplication::translate("Cli", "--pdf OUT is required"));

    Session session;
    if (!importList(c.args[1], session, c.err)) return 2;
    PreparedReport report;
    // As the window's command: every key becomes its RIP key, then the figures; the repair is
    // told even when the report then cannot be prepared.
    Session::RepairResult repair;
    const bool list = c.args[0] == u"list";
    try {
        if (list) {
            if (session.figures().shown == 0) {
                c.err << ReportTexts::NoDataToPrint() << '\n';
                return 1;
            }
            report = session.listReport(placeText(c.value("place")), -1, {}, &repair);
            c.out << repairMessage(KeyKind::Rip, repair) << '\n';
        } else {
            if (session.wrongRows().empty()) {
                c.err << ReportTexts::NoErrors() << '\n';
                return 1;
            }
            report = session.errorReport();
        }
    } catch (const UserError &e) {
        if (list && (repair.repaired > 0 || !repair.leftRows.empty()))
            c.out << repairMessage(KeyKind::Rip, repair) << '\n';
        c.err << e.message() << '\n';
        return 2;
    }
    QString error;
    if (!ReportPainter::writePdf(report, pdf, &error)) {
        c.err << error << '\n';
        return 2;
    }
    c.out << pdf << ": " << report.pageCount()
          << (report.pageCount() > 1 ? QCoreApplication::translate("Cli", " pages")
                                     : QCoreApplication::translate("Cli", " page"))
          << '\n';
    return 0;
}

int runCompare(const Call &c)
{
    if (c.has("pdf") && c.value("pdf").isEmpty())
        return c.usage(QCoreApplication::translate("Cli", "--pdf needs a file name"));
    const bool last = c.has("last");
    if (last && (c.value("last").isEmpty() || !c.args.isEmpty()))
        return c.usage(QCoreApplication::translate(
            "Cli", "give this month's list after --last, and no other"));
    if (!last && c.args.size() != 2)
        return c.usage(
            QCoreApplication::translate("Cli", "give the previous list, then this month's"));
    const QString threshold = c.has("seuil") ? c.value("seuil") : QStringLiteral("20");
    int hundredths = 0;
    if (!ListComparison::parseThreshold(threshold, hundredths))
        return c.usage(
            QCoreApplication::translate("Cli", "--seuil '%1' is not a percentage").arg(threshold));
    const QString pdf = c.value("pdf");

    ListComparison comparison;
    try {
        std::vector<TransferLine> previous;
        QString previousName;
        const QString newPath = last ? c.value("last") : c.args[1];
        if (last) {
            const std::unique_ptr<HistoryArchive> archive =
                HistorySettings::read(foldersOf(c)).open();
            const std::vector<ArchivedExport> all = archive->exports();
            if (all.empty()) throw UserError(HistoryTexts::NothingArchived());
            previous = HistoryRecorder::asTransferLines(archive->lines(all.front().id));
            previousName = HistoryRecorder::exportName(all.front());
        } else {
            previous = Session::readNamedFile(c.args[0]);
            previousName = QFileInfo(c.args[0]).fileName();
        }
        std::vector<TransferLine> current = Session::readNamedFile(newPath);
        comparison = ListComparison::compare(std::move(previous), std::move(current), hundredths,
                                             previousName, QFileInfo(newPath).fileName());
        if (!pdf.isEmpty()) {
            QString error;
            if (!ReportPainter::writePdf(
                    CompareReport::prepare(comparison, placeText(c.value("place"))), pdf, &error))
                throw UserError(error);
        }
    } catch (const UserError &e) {
        c.err << e.message() << '\n';
        return 2;
    }
    for (const QString &line : comparison.summaryLines())
        c.out << line << '\n';
    for (const ListComparison::Entry &e : comparison.entries())
        c.out << comparison.detailLine(e) << '\n';
    return comparison.same() ? 0 : 1;
}

// Every command, in the order the help lists them.
const std::array<Command, 8> Commands = {{
    {"check",
     "FILE",
     QT_TRANSLATE_NOOP("Cli",
                       "import a transfer file or a workbook and report its keys\nand totals"),
     CheckHelp,
     {},
     runCheck,
     Prints::Never},
    {"compare",
     "OLD NEW [--seuil PCT] [--pdf FILE] [--place TEXT] (or --last NEW [--dir DIR] for OLD NEW)",
     QT_TRANSLATE_NOOP("Cli",
                       "who came, who left, whose account, name or Net changed\n"
                       "between last month's list (or the last archived export)\nand this month's"),
     CompareHelp,
     {"seuil", "pdf", "place", "last", "dir"},
     runCompare,
     Prints::WithPdf},
    {"export-txt",
     "FILE --code CODE [--dir DIR]",
     QT_TRANSLATE_NOOP("Cli", "write the transfer text file of FILE's list"),
     ExportTxtHelp,
     {"code", "dir"},
     runExportText,
     Prints::Never},
    {"export-xlsx",
     "FILE --code CODE [--dir DIR]",
     QT_TRANSLATE_NOOP("Cli", "write the workbook of FILE's list"),
     ExportXlsxHelp,
     {"code", "dir"},
     runExportWorkbook,
     Prints::Never},
    {"history",
     "list | show ID [--out FILE] | person NUMBER [--year YYYY] [--pdf FILE] [--dir DIR]",
     QT_TRANSLATE_NOOP("Cli",
                       "the payment history: archived exports, their lines,\na person's payments"),
     HistoryHelp,
     {"out", "year", "pdf", "place", "dir"},
     runHistory,
     Prints::WithPdf},
    {"keys",
     "ACCOUNT...",
     QT_TRANSLATE_NOOP("Cli", "CCP key and RIP key of each account"),
     KeysHelp,
     {},
     runKeys,
     Prints::Never},
    {"report",
     "list|errors FILE --pdf OUT [--place TEXT]",
     QT_TRANSLATE_NOOP("Cli", "write the nominative list or the error report as PDF"),
     ReportHelp,
     {"pdf", "place"},
     runReport,
     Prints::Always},
    {"words",
     "[--lang LANG] AMOUNT...",
     QT_TRANSLATE_NOOP("Cli", "amounts written out in words (FR or AR)"),
     WordsHelp,
     {"lang"},
     runWords,
     Prints::Never},
}};

const Command *findCommand(const QString &name)
{
    for (const Command &c : Commands)
        if (name == QLatin1String(c.name)) return &c;
    return nullptr;
}

// The general help: one entry per command of the table, its description beside its usage
// or, when the usage is too long, below it.
QString mainHelp()
{
    constexpr qsizetype Column = 32;
    QString s = QCoreApplication::translate("Cli", "Usage: talvoro-cli COMMAND [OPTIONS] ARGS...\n"
                                                   "\n"
                                                   "Headless front end of Talvoro CCP.\n"
                                                   "\n"
                                                   "Commands:\n");
    for (const Command &c : Commands) {
        const QString usage =
            QStringLiteral("  %1 %2").arg(QLatin1String(c.name), QString::fromUtf8(c.synopsis));
        const QString indent(Column, u' ');
        s += usage.size() < Column ? usage.leftJustified(Column) : QString(usage + u'\n' + indent);
        s += QCoreApplication::translate("Cli", c.summary).replace(u'\n', QString(u'\n' + indent)) +
             u'\n';
    }
    s += QCoreApplication::translate(
        "Cli", "\n"
               "Options:\n"
               "  -h, --help  show this help (also: talvoro-cli help COMMAND and\n"
               "              talvoro-cli COMMAND --help for one command's)\n"
               "  --version   show the program version\n");
    return s;
}

int usage(QTextStream &err, const QString &message)
{
    err << "talvoro-cli: " << message << "\n\n" << mainHelp();
    return 2;
}

// QCommandLineParser reads any argument that starts with '-' as an option, but an amount
// or an account may start with a minus sign: such arguments (and, so that nothing is
// mistaken, those starting with the mark) are marked before parsing, unmarked after.
constexpr QChar ValueMark = QChar(0x1);

QString marked(const QString &arg)
{
    const bool number =
        arg.size() > 1 && arg[0] == u'-' && (arg[1].isDigit() || arg[1] == u'.' || arg[1] == u',');
    return number || arg.startsWith(ValueMark) ? QString(ValueMark + arg) : arg;
}

QString unmarked(const QString &arg)
{
    return arg.startsWith(ValueMark) ? arg.mid(1) : arg;
}

// The usage error of a parser that refused the arguments, naming the option as typed.
QString parseProblem(const QCommandLineParser &parser, const QStringList &typed,
                     const std::vector<const char *> &valueOptions)
{
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty()) {
        const QString &name = unknown.first();
        for (const QString &a : typed) {
            const QString bare = a.section(u'=', 0, 0);
            if (bare == QString(u'-' + name) || bare == QString(QStringLiteral("--") + name))
                return QCoreApplication::translate("Cli", "unknown option '%1'").arg(bare);
        }
        return QCoreApplication::translate("Cli", "unknown option '--%1'").arg(name);
    }
    // An option that takes a value came last.
    const QString last = typed.isEmpty() ? QString() : typed.last();
    for (const char *o : valueOptions)
        if (last == QString(u'-' + QLatin1String(o)) ||
            last == QString(QStringLiteral("--") + QLatin1String(o)))
            return QCoreApplication::translate("Cli", "%1 needs a value").arg(last);
    return parser.errorText();
}

int runCommand(const Command &command, const QStringList &typed, QTextStream &out, QTextStream &err)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringLiteral("help"));
    parser.addOption(help);
    for (const char *o : command.options)
        parser.addOption(
            QCommandLineOption(QLatin1String(o), QString(), QLatin1String(o).toString().toUpper()));
    QStringList args{QLatin1String(command.name)};
    for (const QString &a : typed)
        args << marked(a);
    const bool parsed = parser.parse(args);
    if (parser.isSet(help)) {
        out << command.help();
        return 0;
    }
    Call call{command, {}, {}, out, err};
    if (!parsed) return call.usage(parseProblem(parser, typed, command.options));
    for (const QString &a : parser.positionalArguments())
        call.args << unmarked(a);
    for (const char *o : command.options) {
        const QString name = QLatin1String(o);
        if (parser.isSet(name)) call.given.insert(name, unmarked(parser.value(name)));
    }
    return command.run(call);
}

} // namespace

QStringList cliCommandNames()
{
    QStringList names;
    for (const Command &c : Commands)
        names << QLatin1String(c.name);
    return names;
}

bool cliPrints(const QStringList &args)
{
    const Command *command = args.isEmpty() ? nullptr : findCommand(args.first());
    if (!command) return false;
    if (command->prints == Prints::WithPdf) {
        for (const QString &a : args.mid(1))
            if (a.startsWith(u"--pdf")) return true;
        return false;
    }
    return command->prints == Prints::Always;
}

int runCli(const QStringList &args, QTextStream &out, QTextStream &err)
{
    // Options before the command are the program's own; what follows belongs to the command.
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringLiteral("version"));
    parser.addOption(help);
    parser.addOption(version);
    const bool parsed = parser.parse(QStringList{QStringLiteral("talvoro-cli")} + args);
    const QStringList words = parser.positionalArguments();
    if (parser.isSet(help) || (parsed && words.value(0) == u"help" && words.size() == 1)) {
        out << mainHelp();
        return 0;
    }
    if (!parsed) return usage(err, parseProblem(parser, args, {}));
    if (parser.isSet(version)) {
        out << "talvoro-cli " << TALVORO_VERSION << '\n';
        return 0;
    }
    if (words.isEmpty()) return usage(err, QCoreApplication::translate("Cli", "no command given"));
    // "help COMMAND" is "COMMAND --help".
    const bool helpFor = words.first() == u"help";
    const QString name = helpFor ? words[1] : words.first();
    const Command *command = findCommand(name);
    if (!command)
        return usage(err, QCoreApplication::translate("Cli", "unknown command '%1'").arg(name));
    if (helpFor) {
        out << command->help();
        return 0;
    }
    return runCommand(*command, words.mid(1), out, err);
}
