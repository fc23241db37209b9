#pragma once

class QCoreApplication;
class QTranslator;

// Loads Qt's own Japanese texts (Debian's qt6-translations-l10n), so the standard buttons
// and dialogs speak the language of the rest of the interface whatever the system's locale.
// Returns the installed translator (owned by the application), or nullptr when the
// translations are not installed.
QTranslator* InstallQtJapaneseTranslations(QCoreApplication& application);
