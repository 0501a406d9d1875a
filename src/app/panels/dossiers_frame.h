#pragma once
// Side panel 1, Folders: where the images go and how they are named. The image folder
// (`deDossierSave`: an edit with a browse button; the dialog offers no new folders), the root
// ("Use the root:" `rbUtiliserRacine` with `NomRacineEdit`, "Use the names of video files"
// `rbUtiliserNomVideo`, "Set a maximum for the root name" `cbLimiterLongueur`, "Maximum
// length:" `RacineLengthEdit`), the suffix ("Add timestamp" `rbTimestamp`, "Number from"
// `rbNumero` with `numEdit` and "Number of digits:" `DigitsEdit` 0..20), the format
// (`rgExtension`: "bmp", "jpeg", then "png", "webp", "jxl", "avif") and "Quality of jpeg"
// (`TrackBar1` 1..100, shown in `labQuality`; its caption names the format whose quality it
// shows).
//
// A dumb widget: the setters change what is shown without emitting anything; only the user's
// own changes are signalled. The controller decides what a change means (it may, for example,
// disable the number edits in timestamp mode). User-interface thread only; owned by the panel
// column.

#include "app/panels/side_panel.h"

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSlider;
class QSpinBox;
class QToolButton;

namespace sp {

class TDossiersFrame : public TSidePanel {
    Q_OBJECT
public:
    explicit TDossiersFrame(QWidget* parent = nullptr);

    void setFolder(const QString& folder);
    QString folder() const;
    void setRootText(const QString& text);
    QString rootText() const;
    // 0: "Use the root:", 1: "Use the names of video files"; other values check neither.
    void setRootMode(int mode);
    int rootMode() const; // -1 when neither is checked
    void setLimitLength(bool on);
    bool limitLength() const;
    void setMaxLengthText(const QString& text);
    QString maxLengthText() const;
    // 0: "Number from", 1: "Add timestamp"; other values check neither.
    void setSuffixMode(int mode);
    int suffixMode() const;
    void setNumberText(const QString& text);
    QString numberText() const;
    void setDigits(int digits); // clamped to 0..20
    int digits() const;
    void setNumberEditsEnabled(bool enabled);
    // 0 bmp, 1 jpeg, 2 png, 3 webp, 4 jxl, 5 avif; other values check none.
    void setExtension(int item);
    int extension() const;
    void setQuality(int quality); // clamped to 1..100, shown in the label
    int quality() const;
    QString qualityText() const;
    void setQualityCaption(const QString& format); // "Quality of " + format
    QString qualityCaption() const;

signals:
    void folderChosen(const QString& folder);
    void rootModeChosen(int mode);
    void rootTextChanged(const QString& text);
    void limitLengthClicked(bool on);
    void maxLengthChanged(const QString& text);
    void suffixModeChosen(int mode);
    void numberTextChanged(const QString& text);
    void digitsChanged(int digits);
    void extensionChosen(int item);
    void qualityChanged(int quality);

private:
    void browse();

    QLineEdit* folder_;
    QToolButton* browse_;
    QButtonGroup* rootGroup_;
    QRadioButton* useRoot_;
    QRadioButton* useVideoName_;
    QLineEdit* root_;
    QCheckBox* limit_;
    QLineEdit* maxLength_;
    QButtonGroup* suffixGroup_;
    QRadioButton* timestamp_;
    QRadioButton* number_;
    QLineEdit* numberEdit_;
    QSpinBox* digits_;
    QButtonGroup* extensionGroup_;
    QSlider* quality_;
    QLabel* qualityLabel_;
    QLabel* qualityCaption_;
};

} // namespace sp
