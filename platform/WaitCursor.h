// The busy cursor over the whole application while a command works. End() takes it away early,
// before a message box or dialog that waits for the user; the destructor takes it away otherwise.
#pragma once

#include <QApplication>
#include <QCursor>

class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~WaitCursor() { End(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

    void End() {
        if (m_waiting)
            QApplication::restoreOverrideCursor();
        m_waiting = false;
    }

private:
    bool m_waiting = true;
};
