// The interface's language: Japanese (the texts as written in the code) or English (a
// translation loaded from the program's resources). Chosen by Language= in [Settings]
// ("ja" or "en"), or, when the key is absent, by the system's locale.
#pragma once

#include <QLocale>
#include <QString>
#include <optional>

namespace platform {
class SettingsStore;
}

namespace language {

enum class Language { Japanese, English };

// The language a Language= value names: "ja" or "en", blanks and case ignored; nothing
// for any other value (the system's language then).
std::optional<Language> fromCode(const QString &code);
// The language the settings ask for; without a known Language= key, English only on a
// system whose locale is English.
Language chosen(const platform::SettingsStore &settings, const QLocale &system = QLocale::system());
// Bilingual=1 in [Settings]: the site's state words in both languages (作業中止 STOP).
bool bilingual(const platform::SettingsStore &settings);

// Installs the program's texts and Qt's own in the language, for the whole process.
// False when a translation could not be loaded (the
// texts then stay Japanese).
bool install(Language language, bool bilingual = false);
Language current();

// A word of the site's rule as the interface shows it: the files' Japanese word
// translated, or both when bilingual (the Japanese first, then the English).
QString stateWord(const QString &japanese);

} // namespace language
