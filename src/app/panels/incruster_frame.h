#pragma once
// Side panel 3, Inlay: the controls of the inlay settings. The kind buttons, the sliders button
// and the time-difference button run actions; everything else reports the user's edits by
// signal. Setters never emit (the controller runs the matching handler itself when it wants one).
//
// The time-difference panel (`PanelDecalage`) lies inside this panel, hidden until the
// controller shows it in front: the old date, and the new date as a date and three numbers.
//
// Colours are 0x00BBGGRR, as the settings keep them. User-interface thread only; owned by the
// panel column.

#include "app/panels/side_panel.h"

#include <QDate>
#include <QStringList>

#include <array>
#include <cstdint>

class QAction;
class QButtonGroup;
class QComboBox;
class QDateEdit;
class QFontComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QSpinBox;
class QToolButton;

namespace sp {

class TIncrusterFrame : public TSidePanel {
    Q_OBJECT
public:
    // The kind buttons, in panel order.
    enum Kind { Datecode, Timecode, Perso, Reel, Numeros, Neant, KindCount };

    explicit TIncrusterFrame(QWidget* parent = nullptr);

    // Buttons showing and running actions (null leaves a button empty).
    void setKindActions(const std::array<QAction*, KindCount>& actions);
    void setSlidersAction(QAction* action);
    // tbDecalage runs `action`; it is enabled by setDecalageEnabled only.
    void setDecalageAction(QAction* action);
    void setDecalageEnabled(bool enabled);
    bool decalageEnabled() const;
    QToolButton* kindButton(Kind kind) const { return kinds_[kind]; }

    // Styles, colour, border.
    void setBold(bool on);
    void setItalic(bool on);
    void setUnderline(bool on);
    bool bold() const;
    bool italic() const;
    bool underline() const;
    void setColor(int32_t bgr);
    int32_t color() const { return color_; }
    void setBorderCaption(const QString& caption);
    QString borderCaption() const;
    QMenu* borderMenu() const { return borderMenu_; }

    // Font list (the installed fonts) and size.
    QStringList fontNames() const;
    // Selects the font of that name, letter case ignored; false (nothing changed) when absent.
    bool selectFont(const QString& name);
    void selectFirstFont();
    QString fontName() const;
    QStringList sizeItems() const;
    void setSizeText(const QString& text);
    QString sizeText() const;

    // 0 left, 1 centre, 2 right, 3 subtitle; any other value presses none.
    void setAlignment(int alignment);
    int alignment() const; // -1 when none is pressed

    // Line 1 or 2.
    QStringList dateFormatItems(int line) const;
    void setDateFormat(int line, const QString& format);
    QString dateFormat(int line) const;
    void setTemplate(int line, const QString& text);
    QString templateText(int line) const;

    void setDifferenceText(const QString& text);
    QString differenceText() const;

    // The time-difference panel.
    void setDecalagePanelShown(bool shown);
    bool decalagePanelShown() const;
    void setOldDateText(const QString& text);
    QString oldDateText() const;
    void setNewDate(const QDate& date, int hour, int minute, int second);
    QDate newDate() const;
    int newHour() const;
    int newMinute() const;
    int newSecond() const;
    QDateEdit* dateEditor() const { return dateEdit_; }

signals:
    void fontChosen(const QString& name);
    void sizeEdited(const QString& text);
    void boldClicked(bool on);
    void italicClicked(bool on);
    void underlineClicked(bool on);
    void colorChosen(int32_t bgr);
    void borderChosen(int size);
    void alignmentClicked(int alignment);
    void dateFormatEdited(int line, const QString& format);
    void templateEdited(int line, const QString& text);
    // Any change of the new date's editors made by the user.
    void newDateEdited();
    void resetClicked();
    // The focus entered or left one of the four text fields (dates and templates); focus moves
    // caused by a pop-up or another window count as neither.
    void textFieldEntered();
    void textFieldLeft();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QWidget* makeKindButtons();
    QWidget* makeStyleRow();
    QWidget* makeFontRow();
    QWidget* makeAlignRow();
    void makeFormatFields();
    void makeDecalagePanel();
    void placeDecalagePanel();
    void chooseColor();

    std::array<QToolButton*, KindCount> kinds_{};
    QToolButton* bold_;
    QToolButton* italic_;
    QToolButton* underline_;
    QToolButton* colorButton_;
    QToolButton* border_;
    QMenu* borderMenu_;
    QToolButton* sliders_;
    QToolButton* decalage_;
    QFontComboBox* fonts_;
    QComboBox* size_;
    QButtonGroup* aligns_;
    QLabel* difference_;
    QLabel* formatsLabel_;
    std::array<QComboBox*, 2> dateFormats_{};
    std::array<QLineEdit*, 2> templates_{};
    QFrame* decalagePanel_;
    QLabel* oldDate_;
    QDateEdit* dateEdit_;
    QSpinBox* hour_;
    QSpinBox* minute_;
    QSpinBox* second_;
    int32_t color_ = 0;
};

} // namespace sp
