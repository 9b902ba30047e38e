// The payment history on a generated list of a million lines: archiving one export against
// writing its transfer text file, the archive's size per line after MONTHS exports, and the
// person search over all of them (SQLite, the default archive).
// Usage: bench_history [LINES] [MONTHS]   (default 1000000 24; needs gen_transfer beside it)
#include "BenchSupport.h"
#include "history/HistoryRecorder.h"
#include "history/SqlArchive.h"
#include "session/Session.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <random>

namespace
{

// CPU time of the process while f runs, in ms: on a machine shared with other work the wall
// clock also counts the waits for a core.
template <class F> double cpuMs(F &&f)
{
    const std::clock_t start = std::clock();
    f();
    return double(std::clock() - start) * 1000.0 / CLOCKS_PER_SEC;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString lines = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("1000000");
    const int months = argc > 2 ? std::atoi(argv[2]) : 24;
    QTemporaryDir dir;
    const QString list = dir.filePath(QStringLiteral("liste.txt"));
    if (!generateList(lines, list)) return 1;
    Session session;
    session.importFile(list);
    const int n = session.list().totalCount();

    // The text export alone (no recorder), best of two.
    const QString out = dir.filePath(QStringLiteral("Liste_Nominative_B.txt"));
    double exportMs = 1e30, exportCpu = 1e30;
    for (int i = 0; i < 2; ++i) {
        double wall = 0;
        const double cpu = cpuMs([&] { wall = ms([&] { session.exportText(out); }); });
        exportMs = std::min(exportMs, wall);
        exportCpu = std::min(exportCpu, cpu);
    }

    // The recording that follows a whole-list export: file hash, lines, one transaction.
    const QString file = dir.filePath(QStringLiteral("paiements.sqlite"));
    HistoryRecorder recorder([&] { return SqlArchive::openSqlite(file); });
    recorder.archive(); // opened (and its schema made) before the clock starts
    QDateTime when(QDate(2024, 1, 25), QTime(10, 0));
    QString problem;
    double recordMs = 0;
    const double recordCpu = cpuMs([&] {
        recordMs = ms([&] {
            problem = recorder.record(session,
                                      {Session::ExportKind::Text, out, QStringLiteral("B"), when});
        });
    });
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(problem));
        return 1;
    }

    // The window's way, for the second month: the export starts the recording on a worker
    // thread from a copy of the lines and returns; the clerk reads that the file is written
    // while it runs, and the window collects the outcome after.
    double startMs = 0, finishMs = 0;
    if (months > 1) {
        startMs = ms([&] {
            recorder.startRecording(
                session, {Session::ExportKind::Text, out, QStringLiteral("B"), when.addMonths(1)});
        });
        finishMs = ms([&] { problem = recorder.finishRecording(); });
        if (!problem.isEmpty()) {
            std::fprintf(stderr, "%s\n", qPrintable(problem));
            return 1;
        }
    }

    // The other months: the same people, later dates.
    const std::vector<ArchivedLine> archived = HistoryRecorder::linesOf(session.list());
    ArchivedExport e = HistoryRecorder::exportOf(
        session, {Session::ExportKind::Text, out, QStringLiteral("B"), when});
    double monthsMs = 0;
    for (int m = 2; m < months; ++m) {
        e.exportedAt = when.addMonths(m);
        monthsMs += ms([&] { recorder.archive().record(e, archived); });
    }
    recorder.reset(); // closes the archive: the journal is folded into the file
    const qint64 bytes = QFileInfo(file).size() + QFileInfo(file + QStringLiteral("-wal")).size();
    const double perLine = double(bytes) / (double(n) * months);

    // Person searches by insurance number and by account, over every month.
    auto archive = SqlArchive::openSqlite(file);
    std::mt19937 rng(2026);
    std::vector<double> byInsurance, byAccount;
    size_t found = 0;
    for (int i = 0; i < 200; ++i) {
        const ArchivedLine &l =
            archived[std::uniform_int_distribution<size_t>(0, archived.size() - 1)(rng)];
        byInsurance.push_back(
            ms([&] { found += archive->findPerson(PersonField::Insurance, l.insurance).size(); }));
        byAccount.push_back(
            ms([&] { found += archive->findPerson(PersonField::Account, l.account).size(); }));
    }
    std::sort(byInsurance.begin(), byInsurance.end());
    std::sort(byAccount.begin(), byAccount.end());
    size_t nameHits = 0;
    const double byName = ms([&] {
        nameHits = archive->findPerson(PersonField::Name, archived[7].name).size();
        found += nameHits;
    });
    const double byNameNone =
        ms([&] { found += archive->findPerson(PersonField::Name, QStringLiteral("zzqx")).size(); });
    const double year =
        ms([&] { found += archive->personYear(archived[7].insurance, 2024).size(); });

    std::printf("lines %d, months %d\n", n, months);
    std::printf("text export                      %8.0f ms wall, %8.0f ms CPU\n", exportMs,
                exportCpu);
    std::printf("record after export (first)      %8.0f ms wall, %8.0f ms CPU; ratio wall %.2f, "
                "CPU %.2f\n",
                recordMs, recordCpu, recordMs / exportMs, recordCpu / exportCpu);
    std::printf("window's wait after export (copy) %8.0f ms wall; ratio %.2f\n", startMs,
                startMs / exportMs);
    std::printf("  then on the worker until ended  %8.0f ms wall\n", startMs + finishMs);
    std::printf("record, months 3..%d (mean)       %8.0f ms  ratio %.2f\n", months,
                months > 2 ? monthsMs / (months - 2) : 0.0,
                months > 2 ? monthsMs / (months - 2) / exportMs : 0.0);
    std::printf("archive on disk                  %8.1f MB  %.1f bytes/line\n", bytes / 1e6,
                perLine);
    std::printf("search insurance: median %.2f ms, max %.2f ms\n", byInsurance[100],
                byInsurance.back());
    std::printf("search account:   median %.2f ms, max %.2f ms\n", byAccount[100],
                byAccount.back());
    std::printf("search name (contains, scans):   %.0f ms, %zu lines found; none found: %.0f ms\n",
                byName, nameHits, byNameNone);
    std::printf("person's year:                   %.2f ms\n", year);
    std::printf("(%zu payments found)\n", found);
    return 0;
}
