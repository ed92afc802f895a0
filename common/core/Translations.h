// SPDX-License-Identifier: MIT
#pragma once

#include <QStringList>

// The programs' texts are English in the source; each family of programs (common, orvana,
// mendrel) carries its translations as ":/i18n/<family>_<language>.qm" in its core library.
namespace Translations {

// Installs, on the running application, the translations of the user's languages for
// every family linked into the program, and returns the files it loaded. English has a
// file too, without translations, so a program in English loads its families' files.
QStringList install();

} // namespace Translations
