#include "Prompts.h"
#include "TForm1.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Talvoro CCP"));
    app.setOrganizationName(QStringLiteral("Talvoro"));
    app.setDesktopFileName(QStringLiteral("talvoro"));
    app.setWindowIcon(TForm1::applicationIcon());
    TForm1 form(std::make_shared<QtPrompts>(), Folders(), UpdaterSetup::buildDefaults());
    form.show();
    return app.exec();
}
