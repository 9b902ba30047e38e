// Development aid: prints a transfer file's nominative list (or error report) from the real
// window into the real preview and saves a picture of the preview.
// Usage: preview_screenshot list|errors FILE OUT.png [PAGE] [ZOOM%]
#include "MainWindow.h"
#include "RecordEditor.h"
#include "ScriptedPrompts.h"
#include "StatusLight.h"
#include "TextLinesView.h"
#include "support/FindWidget.h"

#include "ReportPreview.h"
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>

#include <QApplication>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc < 4) return 2;
    const QString which = QString::fromLocal8Bit(argv[1]);
    QTemporaryDir dir;
    auto prompts = std::make_shared<ScriptedPrompts>();
    MainWindow form(prompts, Folders(dir.path()));
    findNamed<QPlainTextEdit>(&form, "placeMemo")
        ->setPlainText(QStringLiteral("بلدية تالفورو\nDirection des Finances"));
    prompts->files.enqueue(QString::fromLocal8Bit(argv[2]));
    findNamed<QPushButton>(&form, "importButton")->click();
    findNamed<QAction>(&form, which == u"list" ? "printListAction" : "errorReportAction")
        ->trigger();
    if (prompts->reports.empty()) {
        fprintf(stderr, "%s\n", qPrintable(prompts->shown.join(u'\n')));
        return 1;
    }
    ReportPreview preview(prompts->reports.back(), *prompts);
    preview.resize(preview.screen()->availableSize());
    preview.show();
    if (argc > 4) preview.setCurrentPage(QString::fromLocal8Bit(argv[4]).toInt() - 1);
    if (argc > 5) preview.setZoom(QString::fromLocal8Bit(argv[5]).toDouble() / 100.0);
    QTimer::singleShot(800, [&] {
        preview.grab().save(QString::fromLocal8Bit(argv[3]));
        app.quit();
    });
    return app.exec();
}
