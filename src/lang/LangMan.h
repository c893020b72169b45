#pragma once
#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <utility>
#include <vector>

#include "lang/LanguageLookup.h"
#include "lang/Translations.h"

class QComboBox;

namespace varnex {

// Every control of a window, depth first, parents before their children.
using ControlList = QList<QPointer<QWidget>>;

// Holds the current language and applies it to the controls of the main
// window, which it records once, when it is created.
//
// Everything here runs on the window thread. Operations that read a language
// file or the stored choice throw LanguageError; the window catches it where
// its handler begins, shows the message, and goes on.
class LangMan {
public:
    // Records the descendants of root (root itself is not recorded). The
    // window's controls must exist by now; later ones are not seen.
    explicit LangMan(QWidget* root);

    // Appends the container's descendants to the controls. A label's
    // children are not walked, nor separate windows (dialogs, popups) that
    // the container owns.
    void CollectControls(QWidget* container);

    // Makes the code current ("0" stands for "fr"; codes are lower-cased),
    // chooses its fallback table and gives every recorded control that has
    // a text its text, by the control's exact class: tab pages, group boxes,
    // push buttons, labels, check boxes and radio buttons get it as their
    // caption; a combo box gets its items (split at "\r", CR, LF) with its
    // selection kept. Controls without a text, and controls of other
    // classes, keep what they show. The current language file is read once.
    // A language file that cannot be read throws before anything changes.
    void ApplyLanguage(const QString& code);
    // The built-in table alone, no file read: for a run that needs the
    // combo boxes' items but never shows a caption. Never throws.
    void ApplyBuiltIn(const QString& code);

    // The text of a key in the current language; empty when there is none.
    QString Translate(const QString& key) const;

    // ApplyLanguage, then stores the code as it was given (not normalised).
    void SelectLanguage(const QString& code);

    // Fills cbLanguage with the names of languages, selects and applies the
    // stored language ("en" and the first entry when no code matches the
    // stored one exactly) and stores it again. cbLanguage's signals are
    // blocked while it is filled and selected, so this does not also run
    // the selector's change handler.
    void RestoreLanguage(const LanguageDescList& languages, QComboBox* cbLanguage);

    // The change handler of a language selector whose items are the names of
    // languages in order (the main window's, or a copy of it): selects the
    // language at the selector's position. No position, no change.
    void cbLanguageChange(const LanguageDescList& languages, const QComboBox* cbLanguage);

    // The position in `languages` of the language in effect; -1 when none.
    int IndexIn(const LanguageDescList& languages) const;

    // Called after every language applied, for texts derived from it (a
    // state word, a sentence built of parts). Returns an id for Unwatch.
    int Watch(std::function<void()> applied);
    void Unwatch(int id);

    const QString& code() const { return m_code; }
    // Null until the first ApplyLanguage.
    const TranslationTable* table() const { return m_table; }
    const ControlList& controls() const { return m_controls; }

private:
    void Apply(const LanguageFile& file);

    QString m_code;
    ControlList m_controls;
    std::vector<std::pair<int, std::function<void()>>> m_watchers;
    int m_nextWatcher = 1;
    const TranslationTable* m_table = nullptr;
};

// The items of a combo box text: "\r" (backslash, r) becomes a carriage
// return; CR, LF or CR LF end an item; a break at the very end adds no item.
QStringList ComboItems(QString text);

}  // namespace varnex
