#pragma once

class QCoreApplication;

namespace Translations {

// Installs the translation for the user's locale (LANGUAGE, LC_ALL, LC_MESSAGES, LANG),
// when Gaugery has one; English otherwise. Call before any text is made.
void install(QCoreApplication& app);

} // namespace Translations
