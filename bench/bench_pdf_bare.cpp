// The floor for writing a list as PDF: a bare QPdfWriter painting the same rows as the
// nominative list (A4, 10 mm margins, 37 rows of seven cells a page, a header and a page
// number), with a minimal cut of the 87-character records. Shares no code with the program.
// Prints the milliseconds spent reading the file, then cutting, painting and writing, the
// pages and its own peak memory in kilobytes, on one line.
// Usage: bench_pdf_bare LIST OUT.pdf
#include <QElapsedTimer>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QStringDecoder>
#include <cstdio>

namespace
{

long peakKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray &l : status.readAll().split('\n'))
            if (l.startsWith("VmHWM:")) return l.mid(6).trimmed().split(' ').first().toLong();
    return 0;
}

// Centimes with zeros in front as "1 234,56".
QString amount(QStringView digits)
{
    qint64 c = 0;
    for (QChar ch : digits)
        if (ch.isDigit()) c = c * 10 + (ch.unicode() - u'0');
    QString whole = QString::number(c / 100);
    for (qsizetype at = whole.size() - 3; at > 0; at -= 3)
        whole.insert(at, u' ');
    return whole + u',' + QString::number(c % 100).rightJustified(2, u'0');
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_pdf_bare LIST OUT.pdf\n");
        return 2;
    }
    QElapsedTimer t;
    t.start();
    QFile in(QString::fromLocal8Bit(argv[1]));
    if (!in.open(QIODevice::ReadOnly)) return 2;
    const QString text = QStringDecoder(QStringDecoder::Utf8).decode(in.readAll());
    const double read = double(t.nsecsElapsed()) / 1e6;
    QPdfWriter pdf(QString::fromLocal8Bit(argv[2]));
    pdf.setResolution(1200);
    pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                  QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter));
    QPainter p(&pdf);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(pdf.logicalDpiX() / 96.0, pdf.logicalDpiY() / 96.0);
    QFont body(QStringLiteral("Times New Roman"));
    body.setPixelSize(13);
    QFont head(QStringLiteral("Arial"));
    head.setPixelSize(13);
    constexpr int RowsPerPage = 37;
    constexpr double RowHeight = 22.68, Top = 200;
    const double xs[] = {0, 45, 210, 305, 440, 565, 690};
    int row = 0, pages = 0, number = 0;
    auto pageTop = [&] {
        p.setFont(head);
        p.drawText(QRectF(0, 0, 700, 40), Qt::AlignCenter, QStringLiteral("Liste Nominative"));
        p.drawLine(QPointF(0, Top - 4), QPointF(715, Top - 4));
        p.setFont(body);
    };
    qsizetype from = 0;
    while (from < text.size()) {
        qsizetype end = text.indexOf(u'\n', from);
        if (end < 0) end = text.size();
        QStringView rec = QStringView(text).mid(from, end - from);
        from = end + 1;
        if (rec.endsWith(u'\r')) rec.chop(1);
        if (rec.size() < 87) continue;
        if (row == RowsPerPage) {
            p.setFont(head);
            p.drawText(QRectF(0, 1010, 715, 20), Qt::AlignRight,
                       QStringLiteral("page %1").arg(pages + 1));
            pdf.newPage();
            row = 0;
        }
        if (row == 0) {
            ++pages;
            pageTop();
        }
        const double y = Top + row * RowHeight;
        const QString cells[] = {QString::number(++number),
                                 rec.mid(59, 27).trimmed().toString(),
                                 rec.mid(9, 10).toString() + u'/' + rec.mid(19, 2),
                                 amount(rec.mid(21, 13)),
                                 amount(rec.mid(34, 13)),
                                 rec.mid(47, 12).toString(),
                                 rec.mid(86, 1).toString()};
        for (int k = 0; k < 7; ++k)
            p.drawText(QRectF(xs[k], y, k + 1 < 7 ? xs[k + 1] - xs[k] - 4 : 30, 19),
                       k >= 3 && k <= 4 ? Qt::AlignRight | Qt::AlignVCenter
                                        : Qt::AlignLeft | Qt::AlignVCenter,
                       cells[k]);
        ++row;
    }
    p.end();
    // Read and cut, then painted and written; pages; peak memory.
    std::printf("%.1f %.1f %d %ld\n", read, double(t.nsecsElapsed()) / 1e6 - read, pages, peakKb());
    return 0;
}
