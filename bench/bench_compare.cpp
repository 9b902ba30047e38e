// Compares two generated lists of a million lines: the comparison command (both lists
// read, then compared) against reading both lists, and the peak memory of each, every
// measure in a fresh process of its own.
// Usage: bench_compare [LINES]   (default 1000000; needs gen_transfer beside it)
#include "BenchSupport.h"
#include "compare/ListComparison.h"
#include "import/TextImport.h"
#include "session/Session.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstring>

namespace
{

// Next month's list from this month's: per hundred people, one new account, one new name,
// one Net up by half, one gone; per thousand, one line repeated; then the newcomers.
bool writeNextMonth(const QString &from, const QString &newcomers, const QString &to)
{
    QFile in(from), extra(newcomers), out(to);
    if (!in.open(QIODevice::ReadOnly) || !extra.open(QIODevice::ReadOnly) ||
        !out.open(QIODevice::WriteOnly))
        return false;
    long long i = 0;
    while (!in.atEnd()) {
        QByteArray r = in.readLine();
        // Field offsets in bytes hold only for records of ASCII characters before the name.
        switch (i % 100) {
        case 0:
            std::reverse(r.data() + 9, r.data() + 19);
            break;
        case 1:
            r[59] = 'Q';
            break;
        case 2: {
            const long long net = r.mid(21, 13).toLongLong() * 3 / 2;
            r.replace(21, 13, QByteArray::number(net).rightJustified(13, '0'));
            break;
        }
        case 3:
            ++i;
            continue;
        default:
            break;
        }
        out.write(r);
        if (i % 1000 == 4) out.write(r);
        ++i;
    }
    out.write(extra.readAll());
    return out.flush();
}

// The child's measures: read both lists only, or read and compare them.
int child(bool compare, const QString &oldPath, const QString &newPath)
{
    std::vector<TransferLine> a, b;
    const double read = ms([&] {
        a = Session::readNamedFile(oldPath);
        b = Session::readNamedFile(newPath);
    });
    double compared = 0;
    QString counts;
    if (compare) {
        ListComparison c;
        compared = ms([&] { c = ListComparison::compare(std::move(a), std::move(b)); });
        counts = c.summaryLines().join(QStringLiteral(", "));
    }
    std::printf("%.1f %.1f %ld %s\n", read, compared, peakMegabytes(), qPrintable(counts));
    return 0;
}

struct Run {
    double read = 0, compared = 0;
    long peak = 0;
    QString counts;
};

Run runChild(const char *mode, const QString &a, const QString &b)
{
    QProcess p;
    p.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(mode), a, b});
    p.waitForFinished(-1);
    const QString line = QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    const QStringList f = line.split(u' ');
    Run r;
    if (f.size() < 3) {
        std::fprintf(stderr, "child failed: %s\n",
                     qPrintable(QString::fromUtf8(p.readAllStandardError())));
        return r;
    }
    r.read = f[0].toDouble();
    r.compared = f[1].toDouble();
    r.peak = f[2].toLong();
    r.counts = f.mid(3).join(u' ');
    return r;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 4)
        return child(std::strcmp(argv[1], "--compare") == 0, QString::fromLocal8Bit(argv[2]),
                     QString::fromLocal8Bit(argv[3]));

    const QString lines = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("1000000");
    QTemporaryDir dir;
    const QString march = dir.filePath(QStringLiteral("mars.txt")),
                  april = dir.filePath(QStringLiteral("avril.txt"));
    const QString newcomers = dir.filePath(QStringLiteral("nouveaux.txt"));
    // 5 % wrong keys, as in the other benchmarks.
    if (!generateList(lines, march) ||
        QProcess::execute(QCoreApplication::applicationDirPath() + QStringLiteral("/gen_transfer"),
                          {QStringLiteral("--lines"), QString::number(lines.toLongLong() / 100),
                           QStringLiteral("--errors"), QStringLiteral("5"),
                           QStringLiteral("--seed"), QStringLiteral("7"), QStringLiteral("--out"),
                           newcomers}) != 0 ||
        !writeNextMonth(march, newcomers, april))
        return 2;
    std::printf("lists: %.1f MB and %.1f MB\n", double(QFileInfo(march).size()) / 1e6,
                double(QFileInfo(april).size()) / 1e6);

    // Alternate the two kinds of run and keep the best of three of each: the machine is shared.
    Run hold{1e18, 0, 0, {}}, cmp{1e18, 1e18, 0, {}};
    for (int k = 0; k < 3; ++k) {
        const Run h = runChild("--read", march, april);
        const Run c = runChild("--compare", march, april);
        if (h.read > 0 && h.read < hold.read) hold = h;
        if (c.read > 0 && c.read + c.compared < cmp.read + cmp.compared) cmp = c;
    }
    std::printf("reading both lists:         %8.1f ms, peak %ld MB\n", hold.read, hold.peak);
    std::printf("compare command (read both: %.1f ms, compare: %.1f ms): %8.1f ms, peak %ld MB\n",
                cmp.read, cmp.compared, cmp.read + cmp.compared, cmp.peak);
    std::printf("time ratio %.2f (target <= 1.5), memory ratio %.2f (target <= 1.5)\n",
                (cmp.read + cmp.compared) / hold.read, double(cmp.peak) / double(hold.peak));
    std::printf("%s\n", qPrintable(cmp.counts));
    return 0;
}
