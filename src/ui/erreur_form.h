#pragma once
// TErreurForm: the error report window. It shows a message in a prepared report (what went
// wrong, how to write to the author, where to find help and the filters) and offers a mail to
// the support address that carries the message and the system description. The window never
// acts beyond opening a link: the mail and the web pages go to the desktop's own handlers.
//
// Owned by the main window (Qt parent). User-interface thread only.

#include <QDialog>

class QLabel;
class QPushButton;

namespace sp {

class TLinkEdit;

class TErreurForm : public QDialog {
    Q_OBJECT
public:
    // `programTitle` names the program in the mail subject ("Error of " + title).
    explicit TErreurForm(const QString& programTitle, QWidget* parent = nullptr);

    // Builds the report around the mark-up `message`, shows it and waits for the window to be
    // closed. On the offscreen platform, where no one can close it, the report is written to
    // stderr instead and the call returns at once.
    void ShowReport(const QString& message);
    // Builds the report and puts it into the label, without showing the window.
    void PrepareReport(const QString& message);

    // The report's mark-up around a message, in the order it reads.
    static QString ReportMarkup(const QString& message);
    // The mail body for the last report: the message without its tags, then the system lines.
    QString MailBody() const;
    QString MailSubject() const { return "Error of " + programTitle_; }

    QString ReportText; // the message of the last report

    TLinkEdit* Report() const { return report_; }
    QPushButton* QuitButton() const { return quit_; }

private:
    void onMailClick();

    QString programTitle_;
    QLabel* title_;
    TLinkEdit* report_;
    QPushButton* quit_;
};

} // namespace sp
