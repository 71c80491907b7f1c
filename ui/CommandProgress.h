// Runs the heavy part of a command on a worker thread while the window's thread keeps the event
// loop, so the window goes on painting and answering the desktop however large the text. The
// window takes no input meanwhile (keys and clicks that arrive are handled once the command has
// ended, as if the command had run on the window's thread; a drag is refused). Once the work
// has taken longer than the show delay, a progress window over the main window says what is
// going on, moves its bar as the work reports, and offers キャンセル; a cancelled command has
// changed nothing.
#pragma once

#include "core/base/OperationProgress.h"

#include <QString>
#include <chrono>
#include <functional>
#include <new>
#include <optional>
#include <type_traits>
#include <utility>

class QWidget;

class CommandProgress {
public:
    // text is what the progress window says, e.g. 「読み込み中…」.
    CommandProgress(QWidget* window, QString text);

    // Runs work (a command's step, which builds what the command makes aside from the document
    // and the boxes) on a worker thread and returns when it has ended: with what work returned,
    // or with nothing when it stopped (OperationCancelled) because the user cancelled. Anything
    // else work throws (std::bad_alloc, say) is thrown again here. So the command puts what the
    // step made into the document only when there is something, and a cancelled or failed step
    // leaves everything as it was.
    template <class Work>
    auto Run(Work&& work) -> std::optional<std::invoke_result_t<Work&, OperationProgress&>> {
        std::optional<std::invoke_result_t<Work&, OperationProgress&>> made;
        RunOnWorker([&](OperationProgress& progress) { made.emplace(work(progress)); });
        return made;
    }

    // How long a command runs before the progress window shows (half a second unless changed).
    static void SetShowDelay(std::chrono::milliseconds delay);

    enum class End { kDone, kCancelled, kOutOfMemory };
    // A command's whole course after its checks: step on the worker as Run above, then, on the
    // window's thread and only when the step ended with something, keep(what it made) to put it
    // into the boxes and the document. Running out of memory anywhere in either ends the
    // command too: keep must change the document only once nothing can fail any more (swaps and
    // moves last), so that everything is then as it was. What the step made is freed before
    // this returns, so the command's message does not wait for it.
    template <class Step, class Keep> End Run(Step&& step, Keep&& keep) {
        try {
            auto made = Run(step);
            if (!made)
                return End::kCancelled;
            keep(std::move(*made));
            return End::kDone;
        } catch (const std::bad_alloc&) {
            return End::kOutOfMemory;
        }
    }

private:
    // true when work ran to its end, false when it was cancelled.
    bool RunOnWorker(const std::function<void(OperationProgress&)>& work);

    QWidget* m_window;
    QString m_text;
};
