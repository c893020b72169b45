#include "lang/LangMan.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QSignalBlocker>
#include <QTabWidget>
#include <algorithm>
#include <cstring>

#include "lang/LanguageStore.h"

namespace varnex {
namespace {

bool IsClass(const QObject* object, const char* className) {
    return object && std::strcmp(object->metaObject()->className(), className) == 0;
}

// A page of a tab widget lives in the tab widget's internal stack; its caption
// is the tab's text.
QTabWidget* TabWidgetOfPage(QWidget* widget) {
    QWidget* stack = widget->parentWidget();
    if (!IsClass(stack, "QStackedWidget")) return nullptr;
    auto* tabs = stack->parentWidget();
    if (!IsClass(tabs, "QTabWidget")) return nullptr;
    return static_cast<QTabWidget*>(tabs);
}

// The selection is what the user chose; changing the wording of the items
// does not change it, so no change signal goes out unless the old position
// no longer exists.
void ReplaceComboItems(QComboBox* combo, const QString& text) {
    const int index = combo->currentIndex();
    {
        const QSignalBlocker blocker(combo);
        combo->clear();
        combo->addItems(ComboItems(text));
        combo->setCurrentIndex(index);
    }
    if (combo->currentIndex() != index) {
        emit combo->currentIndexChanged(combo->currentIndex());
        emit combo->currentTextChanged(combo->currentText());
    }
}

void SetCaption(QWidget* control, const QString& text) {
    if (QTabWidget* tabs = TabWidgetOfPage(control)) {
        const int index = tabs->indexOf(control);
        if (index >= 0) tabs->setTabText(index, text);
        return;
    }
    const char* name = control->metaObject()->className();
    if (std::strcmp(name, "QGroupBox") == 0) {
        static_cast<QGroupBox*>(control)->setTitle(text);
    } else if (std::strcmp(name, "QPushButton") == 0 || std::strcmp(name, "QCheckBox") == 0 ||
               std::strcmp(name, "QRadioButton") == 0) {
        static_cast<QAbstractButton*>(control)->setText(text);
    } else if (std::strcmp(name, "QLabel") == 0) {
        // A language file's text is shown as it is, never as markup.
        static_cast<QLabel*>(control)->setTextFormat(Qt::PlainText);
        static_cast<QLabel*>(control)->setText(text);
    } else if (std::strcmp(name, "QComboBox") == 0) {
        ReplaceComboItems(static_cast<QComboBox*>(control), text);
    }
}

}  // namespace

QStringList ComboItems(QString text) {
    text.replace(QStringLiteral("\\r"), QStringLiteral("\r"));
    QStringList items;
    qsizetype start = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text.at(i);
        if (c != u'\r' && c != u'\n') {
            ++i;
            continue;
        }
        items.append(text.mid(start, i - start));
        i += (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n') ? 2 : 1;
        start = i;
    }
    if (start < text.size()) items.append(text.mid(start));
    return items;
}

LangMan::LangMan(QWidget* root) {
    if (root) CollectControls(root);
}

void LangMan::CollectControls(QWidget* container) {
    if (!container || IsClass(container, "QLabel")) return;
    for (QObject* child : container->children()) {
        if (!child->isWidgetType()) continue;
        auto* control = static_cast<QWidget*>(child);
        if (control->isWindow()) continue;
        m_controls.append(control);
        CollectControls(control);
    }
}

void LangMan::ApplyLanguage(const QString& code) {
    const QString normalised = (code == QStringLiteral("0") ? QStringLiteral("fr") : code).toLower();
    // Read once for all controls; nothing can change the file in between, as
    // the loop does not return to the event loop. Read before anything
    // changes: a file that cannot be read leaves the language as it was.
    const LanguageFile file = LanguageFile::Load(normalised);
    m_code = normalised;
    m_table = &BuiltInTable(m_code.toStdString());
    Apply(file);
}

void LangMan::ApplyBuiltIn(const QString& code) {
    m_code = code.toLower();
    m_table = &BuiltInTable(m_code.toStdString());
    Apply(LanguageFile());
}

int LangMan::Watch(std::function<void()> applied) {
    m_watchers.emplace_back(m_nextWatcher, std::move(applied));
    return m_nextWatcher++;
}

void LangMan::Unwatch(int id) {
    std::erase_if(m_watchers, [id](const auto& w) { return w.first == id; });
}

void LangMan::Apply(const LanguageFile& file) {
    for (const QPointer<QWidget>& control : m_controls) {
        if (!control) continue;
        const QString name = control->objectName();
        if (name.isEmpty()) continue;
        QString text = file.Text(name);
        if (text.isEmpty()) text = TableText(m_table, name);
        if (!text.isEmpty()) SetCaption(control, text);
    }
    // A copy: a watcher may come or go while they are called.
    const auto watchers = m_watchers;
    for (const auto& watcher : watchers) watcher.second();
}

QString LangMan::Translate(const QString& key) const { return LookupText(m_code, m_table, key); }

void LangMan::SelectLanguage(const QString& code) {
    ApplyLanguage(code);
    StoreLanguageId(code);
}

void LangMan::RestoreLanguage(const LanguageDescList& languages, QComboBox* cbLanguage) {
    const QString stored = ReadStoredLanguageId();
    int position = -1;
    {
        const QSignalBlocker blocker(cbLanguage);
        if (cbLanguage) cbLanguage->clear();
        for (int i = 0; i < languages.size(); ++i) {
            if (cbLanguage) cbLanguage->addItem(languages[i].name);
            if (languages[i].code == stored) position = i;  // a later match wins
        }
    }
    QString selected = stored;
    if (position < 0) {
        selected = QStringLiteral("en");
        position = 0;
    }
    try {
        SelectLanguage(selected);
    } catch (...) {
        // The selector shows the language in effect, not the one that failed.
        if (cbLanguage) {
            const QSignalBlocker blocker(cbLanguage);
            cbLanguage->setCurrentIndex(std::max(0, IndexIn(languages)));
        }
        throw;
    }
    if (cbLanguage) {
        const QSignalBlocker blocker(cbLanguage);
        cbLanguage->setCurrentIndex(position);
    }
}

int LangMan::IndexIn(const LanguageDescList& languages) const {
    if (m_code.isEmpty()) return -1;
    int found = -1;
    for (int i = 0; i < languages.size(); ++i) {
        const QString& code = languages[i].code;
        const QString normalised = (code == QStringLiteral("0") ? QStringLiteral("fr") : code).toLower();
        if (code == m_code) return i;  // the exact code first
        if (found < 0 && normalised == m_code) found = i;
    }
    return found;
}

void LangMan::cbLanguageChange(const LanguageDescList& languages, const QComboBox* cbLanguage) {
    if (!cbLanguage) return;
    const int position = cbLanguage->currentIndex();
    if (position < 0 || position >= languages.size()) return;
    SelectLanguage(languages[position].code);
}

}  // namespace varnex
