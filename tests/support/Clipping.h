#pragma once
// Controls that got less room than their text needs: the check behind the
// layout tests, for the main window's pages and for the dialogs.
#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QStringList>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QWidget>
#include <algorithm>

namespace varnex::testing {

// Named controls of `root` visible within it whose caption, title or list
// items do not fit their size.
inline QStringList Clipped(QWidget* root) {
    QStringList clipped;
    auto check = [&](QWidget* w, QSize need) {
        if (w->objectName().isEmpty() || !w->isVisibleTo(root)) return;
        if (w->width() < need.width() || w->height() < need.height())
            clipped << QStringLiteral("%1 %2x%3 < %4x%5")
                           .arg(w->objectName())
                           .arg(w->width())
                           .arg(w->height())
                           .arg(need.width())
                           .arg(need.height());
    };
    for (QLabel* w : root->findChildren<QLabel*>()) {
        QSize need = w->minimumSizeHint();
        if (w->wordWrap()) need = QSize(0, w->heightForWidth(w->width()));
        check(w, need);
    }
    for (QAbstractButton* w : root->findChildren<QAbstractButton*>()) check(w, w->minimumSizeHint());
    for (QGroupBox* w : root->findChildren<QGroupBox*>()) check(w, w->minimumSizeHint());
    // A list must show its longest item whole, whichever is chosen. Measured
    // here, not asked of the list: a list may keep a width it computed once.
    for (QComboBox* w : root->findChildren<QComboBox*>()) {
        int widest = 0;
        for (int i = 0; i < w->count(); ++i)
            widest = std::max(widest, w->fontMetrics().boundingRect(w->itemText(i)).width());
        QStyleOptionComboBox option;
        option.initFrom(w);
        const QSize need = w->style()->sizeFromContents(QStyle::CT_ComboBox, &option,
                                                        QSize(widest, w->fontMetrics().height()), w);
        check(w, QSize(need.width(), 0));
    }
    return clipped;
}

}  // namespace varnex::testing
