// Answers the modal windows that one user action opens, in the order they open, the way a user
// would: reads and closes message boxes with their OK button, types a path into a file dialog
// and presses Enter, or cancels it. A modal window that opens when no answer is left, or that
// is not the kind expected, is recorded as unexpected and closed, so a test never hangs. The
// progress window of a long command is only noted, unless an answer is waiting for it.
#pragma once

#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>

class QFileDialog;

struct MessageSeen {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString detail;      // the detailed text behind 「詳細を表示」, empty when there is none
    QString informative; // the text shown under the message as read, empty when there is none
    QStringList buttons; // the texts of the box's buttons
    bool busyCursor = false;     // whether the wait cursor was still up while the box showed
    QStringList informativeRows; // the informative text's rows as the box lays them out
};

class ModalAnswers : public QObject {
    Q_OBJECT

public:
    ModalAnswers();

    // The next modal window is a message box: record it and press OK.
    ModalAnswers& ReadMessage();
    // The next modal window is a question's message box: record it and press はい (yes) or
    // いいえ.
    ModalAnswers& AnswerQuestion(bool yes);
    // The next modal window is a file dialog: let look see it, then type path as the file name
    // and press Enter.
    ModalAnswers& ChooseFile(const QString& path,
                             const std::function<void(QFileDialog*)>& look = nullptr);
    // The next modal window is a file dialog: press its Cancel button.
    ModalAnswers& CancelFileDialog();
    // The next modal window is a command's progress window: press its キャンセル button.
    ModalAnswers& CancelProgress();

    // Performs action (typically a click) and answers the modal windows it opens.
    void During(const std::function<void()>& action);

    // The one message box the action opened, or a record titled "(problem)" that tells what
    // else happened.
    MessageSeen OnlyMessage() const;

    QList<MessageSeen> messages;
    QStringList problems;      // unexpected or unanswered windows; empty when all went as expected
    bool progressSeen = false; // a command's progress window showed

private:
    enum class Kind { Message, FileDialog, Progress };
    struct Answer {
        Kind kind;
        std::function<void(QWidget*)> act;
    };

    void Poll();
    // Records the message box window and presses the button that answers it.
    void AnswerMessage(QWidget* window, QMessageBox::StandardButton button);

    QList<Answer> m_answers;
    QList<QPointer<QWidget>> m_answered;
    QTimer m_timer;
};
