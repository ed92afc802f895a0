// SPDX-License-Identifier: MIT
#include "Translations.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>

#include <memory>

namespace Translations {

QStringList install()
{
    QStringList loaded;
    if (!QCoreApplication::instance())
        return loaded;
    for (const QString &family :
         {QStringLiteral("common"), QStringLiteral("orvana"), QStringLiteral("mendrel")}) {
        // A family the program does not link has no file: nothing to install.
        auto translator = std::make_unique<QTranslator>(QCoreApplication::instance());
        if (!translator->load(QLocale(), family, QStringLiteral("_"), QStringLiteral(":/i18n")))
            continue;
        loaded << translator->filePath();
        QCoreApplication::installTranslator(translator.release());
    }
    return loaded;
}

} // namespace Translations
