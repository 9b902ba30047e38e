#include "Cli.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // The same data folders as the window's when installed.
    app.setOrganizationName(QStringLiteral("Talvoro"));
    app.setApplicationName(QStringLiteral("Talvoro CCP"));
    QTextStream out(stdout), err(stderr);
    const int rc = runCli(app.arguments().mid(1), out, err);
    out.flush();
    err.flush();
    return rc;
}
