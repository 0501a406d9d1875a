#pragma once
// A drop-down list of names the program fills and selects without hearing itself: filling and
// choosing a row from code emit nothing, so only the user's own choice reaches the window (the
// stream lists of the Sources panel, the decoder lists of the Settings panel).
// User-interface thread only; owned by its panel.

#include <QComboBox>
#include <QStringList>

namespace sp {

class TChoiceList : public QComboBox {
    Q_OBJECT
public:
    explicit TChoiceList(QWidget* parent = nullptr);

    // Replaces the names and shows row `current` (-1: none), quietly.
    void setChoices(const QStringList& names, int current);
    // Shows row `row` (-1: none), quietly.
    void choose(int row);
};

} // namespace sp
