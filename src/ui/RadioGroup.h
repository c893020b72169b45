#pragma once
#include <QGroupBox>
#include <QStringList>
#include <QVector>

class QButtonGroup;
class QRadioButton;

namespace varnex {

// A group box of radio buttons addressed by item index, with a change signal
// that also fires when the index is set from code.
class RadioGroup : public QGroupBox {
    Q_OBJECT
public:
    // The exact metaObject()->className(); value dispatch compares against it.
    static constexpr const char* kClassName = "varnex::RadioGroup";

    explicit RadioGroup(QWidget* parent = nullptr);
    explicit RadioGroup(const QString& title, QWidget* parent = nullptr);

    // Replaces the buttons; the selection is cleared.
    void setItems(const QStringList& items);
    QStringList items() const { return m_items; }

    // -1 means no item selected; an index outside the items selects none.
    int itemIndex() const { return m_index; }
    // The button of an item, for layout only; nullptr outside the items.
    QRadioButton* button(int index) const {
        return index >= 0 && index < m_buttons.size() ? m_buttons[index] : nullptr;
    }
    void setItemIndex(int index);

signals:
    void itemIndexChanged(int index);

private:
    void onButtonToggled(int id, bool checked);
    void applyIndex(int index);

    QButtonGroup* m_group;
    QVector<QRadioButton*> m_buttons;
    QStringList m_items;
    int m_index = -1;
    bool m_updating = false;
};

}  // namespace varnex
