// What the window benchmarks answer when the program asks for a file: the path they chose.
#pragma once

#include <QFileDialog>
#include <QLineEdit>
#include <QTest>

// When modal is a file dialog: types path into it and presses Return, once, and returns true.
inline bool AnswerFileDialog(QWidget* modal, const QString& path) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    if (!dialog)
        return false;
    if (dialog->isVisible() && !dialog->property("answered").toBool()) {
        dialog->setProperty("answered", true);
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        name->setText(path);
        QTest::keyClick(name, Qt::Key_Return);
    }
    return true;
}
