#include "app/panels/choice_list.h"

#include <QSignalBlocker>

namespace sp {

TChoiceList::TChoiceList(QWidget* parent) : QComboBox(parent) {
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
}

void TChoiceList::setChoices(const QStringList& names, int current) {
    const QSignalBlocker quiet(this);
    clear();
    addItems(names);
    setCurrentIndex(current);
}

void TChoiceList::choose(int row) {
    const QSignalBlocker quiet(this);
    setCurrentIndex(row);
}

} // namespace sp
