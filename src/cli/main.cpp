#include "Cli.h"
#include "model/UserError.h"
#include "platform/Platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <cstdio>
#include <memory>
#include <new>

int main(int argc, char *argv[])
{
    // Reports need fonts, hence a GUI application; it draws off screen, so no display is needed.
    std::unique_ptr<QCoreApplication> app;
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (cliPrints(args)) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        Platform::ensureRuntimeFolder();
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    // The same data folders as the window's when installed.
    app->setOrganizationName(QStringLiteral("Talvoro"));
    app->setApplicationName(QStringLiteral("Talvoro CCP"));
    QTextStream out(stdout), err(stderr);
    int rc = 2;
    try {
        rc = runCli(app->arguments().mid(1), out, err);
    } catch (const std::bad_alloc &) {
        out.flush();
        err << OutOfMemoryText << '\n';
    }
    out.flush();
    err.flush();
    return rc;
}
