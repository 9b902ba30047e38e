#include "Prompts.h"
#include "MainWindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Talvoro CCP"));
    app.setOrganizationName(QStringLiteral("Talvoro"));
    app.setDesktopFileName(QStringLiteral("talvoro"));
    app.setWindowIcon(MainWindow::applicationIcon());
    MainWindow window(std::make_shared<QtPrompts>(), Folders(), UpdaterSetup::buildDefaults());
    window.show();
    return app.exec();
}
