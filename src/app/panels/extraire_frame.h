#pragma once
// Side panel 2, Grab: the last snapshot. The preview picture (`Image`, the snapshot stretched to
// its rectangle), the highlight frame around it (`Bevel3`), the snapshot's timecode above it
// (`SnapLab` in its bevel), the image size (`labImagetteTaille`) and, under the picture, the
// file name label (`labsnapname`) whose colour, hint and cursor say whether the snapshot has
// been saved.
//
// A dumb widget: the controller places the picture (placePicture) and the labels follow it;
// clicks are signalled (nameClicked saves, pictureClicked goes back to the snapshot's time).
// User-interface thread only; owned by the panel column.

#include "app/panels/side_panel.h"

#include <QColor>
#include <QImage>

class QLabel;
class QPushButton;

namespace sp {

class TExtraireFrame : public TSidePanel {
    Q_OBJECT
public:
    explicit TExtraireFrame(QWidget* parent = nullptr);

    // The snapshot, drawn stretched over the picture's rectangle.
    void setPicture(const QImage& picture);
    QImage picture() const;
    void setPictureHint(const QString& hint);
    QString pictureHint() const;
    // Puts the picture at `rect` (panel coordinates); the name label goes just under it with
    // its left and width, the timecode label 34 pixels above its top (its bevel 42 above), the
    // size label 12 pixels above it at its left; the highlight frame takes its bounds.
    void placePicture(const QRect& rect);
    QRect pictureRect() const;

    void setTimecodeText(const QString& text);
    QString timecodeText() const;
    void setSizeText(const QString& text);
    QString sizeText() const;
    // The name label: text, hint, background colour and whether it shows the hand cursor.
    void setNameLabel(const QString& text, const QString& hint, const QColor& colour, bool hand);
    QString nameText() const;
    QString nameHint() const;
    QColor nameColour() const;
    bool nameHandCursor() const;
    void setHighlightVisible(bool visible);
    bool highlightVisible() const;

signals:
    void nameClicked();
    void pictureClicked();
    // The "Sharpest nearby" button under the name label.
    void sharpestClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* image_;
    QFrame* highlight_;
    QFrame* timecodeBevel_;
    QLabel* timecode_;
    QLabel* size_;
    QLabel* name_;
    QPushButton* sharpest_;
    QImage picture_;
    QColor nameColour_;
};

} // namespace sp
