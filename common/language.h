#pragma once

#include <QLocale>
#include <QString>

class QCoreApplication;

// The texts in the sources are Chinese; the program shows them in English
// unless the user's choice or, following the system, its locale is Chinese.
enum class LanguageChoice { FollowSystem, Chinese, English };

// The program's own settings file in the user's config folder: the language
// choice and what else soft_cfg.bin, whose record has a fixed layout, has no
// room for.
QString programSettingsFile();

// FollowSystem when the file holds no valid choice.
LanguageChoice storedLanguageChoice(const QString &settingsFile);
bool storeLanguageChoice(const QString &settingsFile, LanguageChoice choice);

// The language the texts are shown in.
QLocale::Language interfaceLanguage(LanguageChoice choice, const QLocale &system);

// Shows the program's texts in `language` from here on: installs the
// embedded English translation, if wanted, on the application and makes
// the language the default locale (which also picks the resources made for
// it). False when the translation cannot be loaded; the texts stay Chinese.
bool applyInterfaceLanguage(QCoreApplication &app, QLocale::Language language);
