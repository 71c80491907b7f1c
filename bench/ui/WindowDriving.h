// What the window benchmarks share: their --lines, and how they drive the window, as a user
// starting afresh would, answering the program when it asks for a file.
#pragma once

#include "core/base/HeapTuning.h"
#include "platform/ComboBoxEx.h"
#include "platform/EditBrowseCtrl.h"
#include "ui/ProgramSettings.h"
#include "ui/TandrelDlg.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QStandardPaths>
#include <QTest>
#include <cstdio>
#include <vector>

// --lines: counts separated by commas. "1M" is a million; a plain number is taken as it stands.
inline std::vector<int> ParseLineCounts(const QString& text) {
    std::vector<int> counts;
    for (QString item : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        long long factor = 1;
        if (item.endsWith(QLatin1Char('M'), Qt::CaseInsensitive)) {
            factor = 1'000'000;
            item.chop(1);
        }
        bool ok = false;
        const long long count = item.toLongLong(&ok) * factor;
        if (!ok || count < 1 || count > 100'000'000)
            return {};
        counts.push_back(static_cast<int>(count));
    }
    return counts;
}

// Before the window is made: the heap as the program's start-up sets it, and the options'
// defaults, leaving the user's settings alone.
inline void StartAfresh() {
    KeepLargeBuffersInHeap();
    QStandardPaths::setTestModeEnabled(true);
    ProgramSettings().clear();
}

// Shows window, chooses encoding (an index of the encoding list) and puts path in the path box,
// as keys and typing would; false when the window could not be shown.
inline bool ShowWithFile(CTandrelDlg& window, int encoding, const QString& path) {
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::fprintf(stderr, "the window was not shown\n");
        return false;
    }
    auto* list = window.findChild<CComboBoxEx*>(QStringLiteral("IDC_ENCODING"));
    list->setFocus();
    for (int i = 0; i < encoding; ++i)
        QTest::keyClick(list, Qt::Key_Down);
    window.findChild<CMFCEditBrowseCtrl*>(QStringLiteral("IDC_FILEPATH"))->setText(path);
    return true;
}

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
