#include "base/language.h"

#include "base/settings.h"
#include "platform/settings_store.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace language {

namespace {

Language g_current = Language::Japanese;
bool g_bilingual = false;

// The program's English texts, loaded once and kept for the process (also when the
// interface is Japanese, for the bilingual state words).
QTranslator *english()
{
    static QTranslator *translator = [] {
        auto *t = new QTranslator(QCoreApplication::instance());
        if (!t->load(QStringLiteral(":/i18n/qv475_en.qm")))
            qWarning("the English texts are missing from the program");
        return t;
    }();
    return translator;
}

QTranslator *qtbase()
{
    static QTranslator *translator = new QTranslator(QCoreApplication::instance());
    return translator;
}

} // namespace

std::optional<Language> fromCode(const QString &code)
{
    const QString c = code.trimmed().toLower();
    if (c == QLatin1String("en"))
        return Language::English;
    if (c == QLatin1String("ja"))
        return Language::Japanese;
    return std::nullopt;
}

Language chosen(const platform::SettingsStore &settings, const QLocale &system)
{
    if (const auto asked = fromCode(basSubMain::readSettings(settings).language))
        return *asked;
    return system.language() == QLocale::English ? Language::English : Language::Japanese;
}

bool bilingual(const platform::SettingsStore &settings)
{
    return basSubMain::readSettings(settings).bilingual;
}

bool install(Language language, bool bilingual)
{
    g_bilingual = bilingual;
    QCoreApplication::removeTranslator(english());
    QCoreApplication::removeTranslator(qtbase());
    g_current = language;
    // Qt's own texts (the buttons of a message box) in the interface's language; English
    // is their source language.
    bool ok = true;
    if (language == Language::Japanese) {
        if (qtbase()->load(QStringLiteral("qtbase_ja"),
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
            qtbase()->load(QStringLiteral("qtbase_ja"), QCoreApplication::applicationDirPath() +
                                                            QStringLiteral("/translations")))
            QCoreApplication::installTranslator(qtbase());
        return ok;
    }
    ok = !english()->isEmpty();
    if (ok)
        QCoreApplication::installTranslator(english());
    return ok;
}

Language current()
{
    return g_current;
}

QString stateWord(const QString &japanese)
{
    const QByteArray source = japanese.toUtf8();
    if (!g_bilingual)
        return QCoreApplication::translate("site", source.constData());
    const QString en = english()->translate("site", source.constData());
    return en.isEmpty() || en == japanese ? japanese : japanese + QLatin1Char(' ') + en;
}

} // namespace language
