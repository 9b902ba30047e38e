#include "MainWindow.h"
#include "Prompts.h"
#include "QtTranslation.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Talvoro CCP"));
    app.setOrganizationName(QStringLiteral("Talvoro"));
    app.setDesktopFileName(QStringLiteral("talvoro"));
    app.setWindowIcon(MainWindow::applicationIcon());
    installQtTranslation(app);
    MainWindow window(std::make_shared<QtPrompts>(), Folders(), UpdaterSetup::buildDefaults());
    window.show();
    // "talvoro FILE" opens the list, once the window is on screen.
    const QStringList arguments = app.arguments();
    if (arguments.size() > 1)
        QTimer::singleShot(0, &window,
                           [&window, file = arguments.at(1)] { window.openFile(file); });
    return app.exec();
}
