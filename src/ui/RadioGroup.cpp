#include "ui/RadioGroup.h"

#include <QButtonGroup>
#include <QRadioButton>
#include <QVBoxLayout>

namespace varnex {

RadioGroup::RadioGroup(QWidget* parent) : RadioGroup(QString(), parent) {}

RadioGroup::RadioGroup(const QString& title, QWidget* parent)
    : QGroupBox(title, parent), m_group(new QButtonGroup(this)) {
    new QVBoxLayout(this);
    connect(m_group, &QButtonGroup::idToggled, this, &RadioGroup::onButtonToggled);
}

void RadioGroup::setItems(const QStringList& items) {
    const int old = m_index;
    m_updating = true;
    for (QRadioButton* b : m_buttons) {
        m_group->removeButton(b);
        delete b;
    }
    m_buttons.clear();
    m_items = items;
    for (int i = 0; i < items.size(); ++i) {
        auto* b = new QRadioButton(items[i], this);
        m_group->addButton(b, i);
        layout()->addWidget(b);
        m_buttons.push_back(b);
    }
    m_index = -1;
    m_updating = false;
    if (old != -1) emit itemIndexChanged(-1);
}

void RadioGroup::setItemIndex(int index) {
    if (index < 0 || index >= m_buttons.size()) index = -1;
    if (index == m_index) return;
    applyIndex(index);
    m_index = index;
    emit itemIndexChanged(index);
}

void RadioGroup::applyIndex(int index) {
    m_updating = true;
    if (index < 0) {
        // An exclusive group refuses to uncheck its last checked button.
        m_group->setExclusive(false);
        for (QRadioButton* b : m_buttons) b->setChecked(false);
        m_group->setExclusive(true);
    } else {
        m_buttons[index]->setChecked(true);
    }
    m_updating = false;
}

void RadioGroup::onButtonToggled(int id, bool checked) {
    if (m_updating || !checked || id == m_index) return;
    m_index = id;
    emit itemIndexChanged(id);
}

}  // namespace varnex
