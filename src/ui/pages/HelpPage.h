#pragma once

// The page "Hinweise": the program's name, the tips, the mail button and the button that opens
// the full help file.

#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace korvo {

// The contact address of the mail button.
inline constexpr const char* ContactAddress = "korvo2@example.org";

// The tips as the page shows them: 37 lines joined by CR LF, no line break after the last. The
// first two lines are empty, because the heading strip lies over them.
QString TipsText();

class THelpPage : public QWidget {
public:
    explicit THelpPage(QWidget* parent);

    QPushButton* HelpButton() const { return m_help; }
    QPushButton* MailButton() const { return m_mail; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void PlaceHeading();

    QPlainTextEdit* m_tips;
    QLabel* m_heading;
    QPushButton* m_mail;
    QPushButton* m_help;
};

} // namespace korvo
