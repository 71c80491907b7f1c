#include "ui/CommandProgress.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QLabel>
#include <QMetaObject>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <atomic>
#include <exception>
#include <new>
#include <system_error>
#include <thread>

namespace {

std::chrono::milliseconds g_showDelay{500};
// The bar follows the work at this pace; the work itself never waits for it.
constexpr int kBarIntervalMs = 50;

// The progress window: its text, the bar, and キャンセル. Closing it, Escape and the button
// all ask the work to stop; the window stays until the work has stopped.
class ProgressWindow : public QDialog {
public:
    ProgressWindow(QWidget* parent, const QString& text, OperationProgress& progress)
        : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowCloseButtonHint),
          m_progress(progress) {
        setObjectName(QStringLiteral("CommandProgress"));
        setWindowTitle(QCoreApplication::applicationName()); // as the message boxes have it
        setWindowModality(Qt::ApplicationModal);
        auto* label = new QLabel(text, this);
        m_bar = new QProgressBar(this);
        m_bar->setRange(0, OperationProgress::kWhole);
        m_bar->setTextVisible(false);
        m_bar->setMinimumWidth(label->fontMetrics().horizontalAdvance(QLatin1Char('M')) * 24);
        m_cancel = new QPushButton(QStringLiteral("キャンセル"), this);
        m_cancel->setObjectName(QStringLiteral("IDCANCEL"));
        connect(m_cancel, &QPushButton::clicked, this, &ProgressWindow::reject);
        auto* buttons = new QHBoxLayout;
        buttons->addStretch();
        buttons->addWidget(m_cancel);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(label);
        layout->addWidget(m_bar);
        layout->addLayout(buttons);
        layout->setSizeConstraint(QLayout::SetFixedSize);
        Update();
    }

    void Update() { m_bar->setValue(m_progress.Filled()); }

    void reject() override {
        m_progress.RequestCancel();
        m_cancel->setEnabled(false);
    }

protected:
    void closeEvent(QCloseEvent* event) override {
        event->ignore();
        reject();
    }

private:
    OperationProgress& m_progress;
    QProgressBar* m_bar;
    QPushButton* m_cancel;
};

// Keeps the window as it is while a command runs: closing it would pull the document from
// under the work, and a drop (a file onto the path box, text into a box) would change what the
// command reads or is about to replace. Keys and clicks wait until the command has ended; a
// drag cannot wait, so it is refused, and the pointer says so.
class HoldWindow : public QObject {
public:
    explicit HoldWindow(QWidget* window) : m_window(window) {
        QCoreApplication::instance()->installEventFilter(this);
    }
    ~HoldWindow() override { QCoreApplication::instance()->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::Close:
            if (watched != m_window)
                return false;
            break;
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop: {
            const auto* widget = qobject_cast<QWidget*>(watched);
            if (!widget || widget->window() != m_window)
                return false;
            break;
        }
        default:
            return false;
        }
        event->ignore();
        return true;
    }

private:
    QWidget* m_window;
};

} // namespace

CommandProgress::CommandProgress(QWidget* window, QString text)
    : m_window(window), m_text(std::move(text)) {}

void CommandProgress::SetShowDelay(std::chrono::milliseconds delay) {
    g_showDelay = delay;
}

bool CommandProgress::RunOnWorker(const std::function<void(OperationProgress&)>& work) {
    OperationProgress progress;
    std::atomic<bool> finished{false};
    bool cancelled = false;
    std::exception_ptr failure;
    QEventLoop loop;
    // Calls posted to this object die with it, so a late one never reaches a loop that ended.
    QObject relay;
    HoldWindow hold(m_window);

    std::thread worker;
    try {
        worker = std::thread([&] {
            try {
                work(progress);
            } catch (const OperationCancelled&) {
                cancelled = true;
            } catch (...) {
                failure = std::current_exception();
            }
            finished.store(true);
            QMetaObject::invokeMethod(
                &relay, [&loop] { loop.quit(); }, Qt::QueuedConnection);
        });
    } catch (const std::system_error&) {
        // No room for the worker's stack: the command ran out of memory before it began.
        throw std::bad_alloc();
    }

    // First the work has the time of the show delay to end unseen; input waits meanwhile.
    QTimer::singleShot(g_showDelay, &relay, [&loop] { loop.quit(); });
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    if (!finished.load()) {
        ProgressWindow window(m_window, m_text, progress);
        QTimer bar;
        QObject::connect(&bar, &QTimer::timeout, &window, &ProgressWindow::Update);
        bar.start(kBarIntervalMs);
        // The busy cursor of the command, but one that says the window may still be used.
        const bool busy = QApplication::overrideCursor() != nullptr;
        if (busy)
            QApplication::changeOverrideCursor(QCursor(Qt::BusyCursor));
        window.show();
        while (!finished.load())
            loop.exec();
        if (busy)
            QApplication::changeOverrideCursor(QCursor(Qt::WaitCursor));
    }
    worker.join();
    if (failure)
        std::rethrow_exception(failure);
    return !cancelled;
}
