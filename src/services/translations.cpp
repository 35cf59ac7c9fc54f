#include "services/translations.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

namespace Translations {

void install(QCoreApplication& app)
{
    // Built into the program by lrelease from translations/gaugery_*.ts.
    auto* translator = new QTranslator(&app);
    if (translator->load(QLocale(), QStringLiteral("gaugery"), QStringLiteral("_"),
                         QStringLiteral(":/i18n")))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}

} // namespace Translations
