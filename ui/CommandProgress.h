// Runs the heavy part of a command on a worker thread while the window's thread keeps the event
// loop, so the window goes on painting and answering the desktop however large the text. The
// window takes no input meanwhile (keys and clicks that arrive are handled once the command has
// ended, as if the command had run on the window's thread; a drag is refused). Once the work
// has taken longer than the show delay, a progress window over the main window says what is
// going on, moves its bar as the work reports, and offers キャンセル; a cancelled command has
// changed nothing.
#pragma once

#include "core/OperationProgress.h"

#include <QString>
#include <chrono>
#include <functional>
#include <thread>
#include <utility>

class QWidget;

class CommandProgress {
public:
    // text is what the progress window says, e.g. 「読み込み中…」.
    CommandProgress(QWidget* window, QString text);

    // Runs work on a worker thread and returns when it has ended: true when it ran to its
    // end, false when it stopped (OperationCancelled) because the user cancelled. Anything else
    // work throws is thrown again here.
    bool Run(const std::function<void(OperationProgress&)>& work);

    // How long a command runs before the progress window shows (half a second unless changed).
    static void SetShowDelay(std::chrono::milliseconds delay);

private:
    QWidget* m_window;
    QString m_text;
};

// Destroys what a command has done with (the lists it replaced, or built before a cancel) on a
// thread of their own: freeing millions of lines takes long enough to stall the window.
template <class... Lists> void ReleaseInBackground(Lists&&... lists) {
    std::thread([... released = std::move(lists)] {}).detach();
}
