#include "QtTranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

bool installQtTranslation(QCoreApplication &app)
{
    auto *translator = new QTranslator(&app);
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    const QLocale system;
    const bool loaded =
        system.language() != QLocale::English &&
        translator->load(system, QStringLiteral("qtbase"), QStringLiteral("_"), folder);
    if (!loaded && !translator->load(QStringLiteral("qtbase_fr"), folder)) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}
