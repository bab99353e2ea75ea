#include "language.h"

#include <QCoreApplication>
#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <QTranslator>

namespace {
const char kLanguageKey[] = "language";
const char kEnglishTranslation[] = ":/translations/zentrik_en.qm";

const char *choiceName(LanguageChoice choice)
{
    switch (choice) {
    case LanguageChoice::Chinese:
        return "zh";
    case LanguageChoice::English:
        return "en";
    case LanguageChoice::FollowSystem:
        break;
    }
    return "system";
}
} // namespace

// The translation's resource lives in the library that embeds it.
static void initTranslationResources()
{
    Q_INIT_RESOURCE(translations);
}

QString programSettingsFile()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::ConfigLocation))
        .filePath(QStringLiteral("zentrik-assistant.conf"));
}

LanguageChoice storedLanguageChoice(const QString &settingsFile)
{
    const QString name =
        QSettings(settingsFile, QSettings::IniFormat).value(QLatin1String(kLanguageKey)).toString();
    for (LanguageChoice choice : {LanguageChoice::Chinese, LanguageChoice::English}) {
        if (name == QLatin1String(choiceName(choice)))
            return choice;
    }
    return LanguageChoice::FollowSystem;
}

bool storeLanguageChoice(const QString &settingsFile, LanguageChoice choice)
{
    QSettings settings(settingsFile, QSettings::IniFormat);
    settings.setValue(QLatin1String(kLanguageKey), QLatin1String(choiceName(choice)));
    settings.sync();
    return settings.status() == QSettings::NoError;
}

QLocale::Language interfaceLanguage(LanguageChoice choice, const QLocale &system)
{
    switch (choice) {
    case LanguageChoice::Chinese:
        return QLocale::Chinese;
    case LanguageChoice::English:
        return QLocale::English;
    case LanguageChoice::FollowSystem:
        break;
    }
    return system.language() == QLocale::Chinese ? QLocale::Chinese : QLocale::English;
}

bool applyInterfaceLanguage(QCoreApplication &app, QLocale::Language language)
{
    if (language == QLocale::English) {
        initTranslationResources();
        auto *translator = new QTranslator(&app);
        if (!translator->load(QLatin1String(kEnglishTranslation))) {
            delete translator;
            return false;
        }
        app.installTranslator(translator);
    }
    QLocale::setDefault(QLocale(language, language == QLocale::Chinese ? QLocale::China
                                                                       : QLocale::UnitedStates));
    return true;
}
