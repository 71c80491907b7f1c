#include "ModalAnswers.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTextLayout>

namespace {

// What the user reads: the joiners that keep the box's lines whole show nothing.
QString AsRead(QString text) {
    return text.remove(QChar(0x2060)).replace(QChar(0x00A0), u' ');
}

// The rows the label shows its text in: the lines Qt's word wrap makes at the label's width.
QStringList RowsOf(const QLabel* label) {
    QStringList rows;
    for (const QString& paragraph : label->text().split(u'\n')) {
        QTextLayout layout(paragraph, label->font());
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(label->contentsRect().width());
            rows << AsRead(paragraph.mid(line.textStart(), line.textLength()));
        }
        layout.endLayout();
    }
    return rows;
}

} // namespace

ModalAnswers::ModalAnswers() {
    m_timer.setInterval(10);
    connect(&m_timer, &QTimer::timeout, this, &ModalAnswers::Poll);
}

MessageSeen ModalAnswers::OnlyMessage() const {
    if (problems.isEmpty() && messages.size() == 1)
        return messages.first();
    MessageSeen problem;
    problem.title = QStringLiteral("(problem)");
    problem.text = problems.join(QStringLiteral("; "));
    return problem;
}

ModalAnswers& ModalAnswers::ReadMessage() {
    m_answers.append(
        {Kind::Message, [this](QWidget* window) { AnswerMessage(window, QMessageBox::Ok); }});
    return *this;
}

ModalAnswers& ModalAnswers::AnswerQuestion(bool yes) {
    m_answers.append({Kind::Message, [this, yes](QWidget* window) {
                          AnswerMessage(window, yes ? QMessageBox::Yes : QMessageBox::No);
                      }});
    return *this;
}

void ModalAnswers::AnswerMessage(QWidget* window, QMessageBox::StandardButton button) {
    auto* box = static_cast<QMessageBox*>(window);
    MessageSeen seen{box->windowTitle(),
                     box->text(),
                     box->icon(),
                     box->detailedText(),
                     AsRead(box->informativeText()),
                     {},
                     QApplication::overrideCursor() != nullptr,
                     {}};
    if (const auto* informative =
            box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel")))
        seen.informativeRows = RowsOf(informative);
    for (QAbstractButton* each : box->buttons()) {
        // The details' show/hide button is not one of the box's answers.
        if (box->buttonRole(each) != QMessageBox::ActionRole)
            seen.buttons << each->text();
    }
    messages.append(seen);
    if (QAbstractButton* answer = box->button(button))
        QTest::mouseClick(answer, Qt::LeftButton);
    else
        problems << QStringLiteral("message box \"%1\" has no such button").arg(box->text());
}

ModalAnswers& ModalAnswers::ChooseFile(const QString& path,
                                       const std::function<void(QFileDialog*)>& look) {
    m_answers.append({Kind::FileDialog, [path, look](QWidget* window) {
                          if (look)
                              look(static_cast<QFileDialog*>(window));
                          auto* nameEdit =
                              window->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                          nameEdit->setFocus();
                          nameEdit->setText(path);
                          QTest::keyClick(nameEdit, Qt::Key_Return);
                      }});
    return *this;
}

ModalAnswers& ModalAnswers::CancelFileDialog() {
    m_answers.append(
        {Kind::FileDialog, [](QWidget* window) {
             auto* buttons = window->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
             QTest::mouseClick(buttons->button(QDialogButtonBox::Cancel), Qt::LeftButton);
         }});
    return *this;
}

ModalAnswers& ModalAnswers::CancelProgress() {
    m_answers.append({Kind::Progress, [](QWidget* window) {
                          QTest::mouseClick(
                              window->findChild<QPushButton*>(QStringLiteral("IDCANCEL")),
                              Qt::LeftButton);
                      }});
    return *this;
}

void ModalAnswers::During(const std::function<void()>& action) {
    m_timer.start();
    action();
    m_timer.stop();
    for (const Answer& answer : m_answers)
        problems << (answer.kind == Kind::Message      ? QStringLiteral("no message box opened")
                     : answer.kind == Kind::FileDialog ? QStringLiteral("no file dialog opened")
                                                       : QStringLiteral("no progress opened"));
    m_answers.clear();
}

void ModalAnswers::Poll() {
    QWidget* window = QApplication::activeModalWidget();
    if (!window || !window->isVisible())
        return;
    for (const QPointer<QWidget>& answered : std::as_const(m_answered)) {
        if (answered == window)
            return; // still closing
    }
    const bool isProgress = window->objectName() == QLatin1String("CommandProgress");
    progressSeen = progressSeen || isProgress;
    if (isProgress && (m_answers.isEmpty() || m_answers.first().kind != Kind::Progress))
        return; // it goes by itself when the command ends
    m_answered.append(window);

    const bool isMessage = qobject_cast<QMessageBox*>(window) != nullptr;
    const bool isFileDialog = qobject_cast<QFileDialog*>(window) != nullptr;
    const QString what =
        isMessage
            ? QStringLiteral("message box \"%1\"").arg(static_cast<QMessageBox*>(window)->text())
            : QStringLiteral("window %1").arg(window->metaObject()->className());
    if (m_answers.isEmpty()) {
        problems << QStringLiteral("unexpected ") + what;
        window->close();
        return;
    }
    const Answer answer = m_answers.takeFirst();
    if ((answer.kind == Kind::Message && !isMessage) ||
        (answer.kind == Kind::FileDialog && !isFileDialog) ||
        (answer.kind == Kind::Progress && !isProgress)) {
        problems << QStringLiteral("unexpected ") + what;
        window->close();
        return;
    }
    // Answered after this poll returns, so that a window the answer opens is polled in turn.
    QTimer::singleShot(0, window, [answer, window] { answer.act(window); });
}
