// Development aid: shows the main window with a transfer file imported and saves a picture
// of it. Usage: window_screenshot FILE OUT.png [WIDTHxHEIGHT] [EDITOR.png]
#include "MainWindow.h"
#include "RecordEditor.h"
#include "ScriptedPrompts.h"
#include "StatusLight.h"
#include "TextLinesView.h"
#include "support/FindWidget.h"

#include "RecordEditor.h"
#include "model/WorkingList.h"
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>

#include <QLineEdit>
#include <QMenu>

#include <QApplication>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc < 3) return 2;
    QTemporaryDir dir;
    auto prompts = std::make_shared<ScriptedPrompts>();
    prompts->inputs.enqueue(QStringLiteral("APC Exemple\nDirection des finances"));
    MainWindow form(prompts, Folders(dir.path()));
    if (argc > 3) {
        const QStringList wh = QString::fromLocal8Bit(argv[3]).split(u'x');
        form.resize(wh.value(0).toInt(), wh.value(1).toInt());
    }
    form.show();
    form.activateWindow();
    prompts->files.enqueue(QString::fromLocal8Bit(argv[1]));
    findNamed<QPushButton>(&form, "importButton")->click();
    // A name filter typed by the clerk, when asked for.
    if (qEnvironmentVariableIsSet("TALVORO_NAME_FILTER"))
        findNamed<QLineEdit>(&form, "nameFilter")
            ->setText(qEnvironmentVariable("TALVORO_NAME_FILTER"));
    // A line deleted by the clerk, when asked for: the status line tells it.
    if (qEnvironmentVariableIsSet("TALVORO_DELETE_ROW")) {
        findNamed<QTableView>(&form, "lineTable")
            ->selectRow(qEnvironmentVariableIntValue("TALVORO_DELETE_ROW"));
        findNamed<QPushButton>(&form, "deleteLineButton")->click();
    }
    QTimer::singleShot(1500, [&] {
        form.grab().save(QString::fromLocal8Bit(argv[2]));
        // The pop-up menu with its icons, beside the window's picture.
        if (qEnvironmentVariableIsSet("TALVORO_MENU_SHOT")) {
            findNamed<QMenu>(&form, "lineMenu")->popup(form.mapToGlobal(QPoint(200, 150)));
            QApplication::processEvents();
            findNamed<QMenu>(&form, "lineMenu")
                ->grab()
                .save(qEnvironmentVariable("TALVORO_MENU_SHOT"));
            findNamed<QMenu>(&form, "lineMenu")->hide();
        }
        if (argc > 4) {
            RecordEditor *ed = findNamed<RecordEditor>(&form, "addLineEditor");
            if (form.session().list().count() > 0) ed->setCells(form.session().list().line(0));
            ed->show();
            QTimer::singleShot(500, [&app, ed, out = QString::fromLocal8Bit(argv[4])] {
                ed->grab().save(out);
                app.quit();
            });
            return;
        }
        app.quit();
    });
    return app.exec();
}
