// Loaded into the program under test with LD_PRELOAD. When the first modal window paints for the
// first time, it writes that window's object name and caption to $KESTRUNE_DRIVER_REPORT and
// then closes it the way $KESTRUNE_DRIVER_ACTION says: the name of a button to click, "Esc",
// "Close" (the window system's close, as its close box or Alt+F4 asks for it), or "Kill" (the
// program is killed in that paint, as a start that hangs there is killed by its user).
// For each component named in $KESTRUNE_DRIVER_TEXTS (names joined by ","), "|name=text" follows
// in the report. Actions joined by "," close the modal windows that follow the first one in turn,
// each at its first paint.
//
// With $KESTRUNE_DRIVER_TIMER_REPORT set, it also times the first wait of the timer named
// $KESTRUNE_DRIVER_TIMER (a direct child of a top-level window): from its start to its first
// tick, in microseconds, written to that file (the benchmarks take this wait out of a start's
// wall time).
#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <csignal>

namespace {

QString ComponentText(QWidget* window, const QString& name) {
    if (auto* label = window->findChild<QLabel*>(name)) return label->text();
    if (auto* button = window->findChild<QAbstractButton*>(name)) return button->text();
    return QStringLiteral("<none>");
}

void Report(QWidget* window) {
    QFile report(qEnvironmentVariable("KESTRUNE_DRIVER_REPORT"));
    QString shown = window->objectName() + "|" + window->windowTitle();
    for (const QString& name : qEnvironmentVariable("KESTRUNE_DRIVER_TEXTS").split(',', Qt::SkipEmptyParts))
        shown += "|" + name + "=" + ComponentText(window, name);
    if (report.open(QIODevice::WriteOnly)) report.write(shown.toUtf8());
    report.close();
}

// Queued, so that the paint in progress ends before the window goes.
void Act(QWidget* window, const QString& action) {
    if (action == "Kill") {
        raise(SIGKILL);
    } else if (action == "Close") {
        QMetaObject::invokeMethod(
            window,
            [window = QPointer<QWidget>(window)] {
                if (window && window->windowHandle()) window->windowHandle()->close();
            },
            Qt::QueuedConnection);
    } else if (action == "Esc") {
        QCoreApplication::postEvent(window, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    } else if (auto* button = window->findChild<QPushButton*>(action)) {
        QMetaObject::invokeMethod(button, &QPushButton::click, Qt::QueuedConnection);
    }
}

// Watches every paint of the application: the first one that belongs to a modal window not yet
// driven drives it with the next action; the first window is also reported.
class ModalPaints : public QObject {
public:
    explicit ModalPaints(QObject* parent)
        : QObject(parent), actions_(qEnvironmentVariable("KESTRUNE_DRIVER_ACTION").split(',')) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (driven_ >= actions_.size() || event->type() != QEvent::Paint || !watched->isWidgetType()) return false;
        QWidget* window = QApplication::activeModalWidget();
        if (!window || window == last_.data() || static_cast<QWidget*>(watched)->window() != window) return false;
        last_ = window;
        if (driven_ == 0) Report(window);
        Act(window, actions_.value(driven_++));
        return false;
    }

private:
    const QStringList actions_;
    qsizetype driven_ = 0;
    QPointer<QWidget> last_;
};

// Times the named timer's first wait. The timer is started in a paint handler, which may also be
// called directly, outside any paint event; after every paint event a queued call looks for it,
// and once it runs, its start is reckoned back from the time it has left (whole milliseconds,
// rounded up), so the wait is its own, however late it was found: never longer, and at most a
// millisecond shorter.
class TimerWait : public QObject {
public:
    TimerWait(QObject* parent, QString name, QString report)
        : QObject(parent), name_(std::move(name)), report_(std::move(report)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (done_) return false;
        if (event->type() == QEvent::Paint && !timer_) {
            QMetaObject::invokeMethod(this, &TimerWait::LookForStart, Qt::QueuedConnection);
        } else if (event->type() == QEvent::Timer && timer_ && watched == timer_.data()) {
            const auto waited = std::chrono::steady_clock::now() - started_;
            done_ = true;
            QFile report(report_);
            if (report.open(QIODevice::WriteOnly))
                report.write(QByteArray::number(
                    static_cast<qlonglong>(std::chrono::duration_cast<std::chrono::microseconds>(waited).count())));
        }
        return false;
    }

private:
    void LookForStart() {
        if (timer_) return;
        for (QWidget* window : QApplication::topLevelWidgets()) {
            auto* timer = window->findChild<QTimer*>(name_, Qt::FindDirectChildrenOnly);
            if (timer && timer->isActive()) {
                const std::chrono::milliseconds waited(timer->interval() - std::max(timer->remainingTime(), 0));
                started_ = std::chrono::steady_clock::now() - waited;
                timer_ = timer;
                return;
            }
        }
    }

    const QString name_, report_;
    QPointer<QTimer> timer_;
    std::chrono::steady_clock::time_point started_;
    bool done_ = false;
};

// Runs when the application object is made.
void Install() {
    QCoreApplication* application = QCoreApplication::instance();
    application->installEventFilter(new ModalPaints(application));
    const QString timerReport = qEnvironmentVariable("KESTRUNE_DRIVER_TIMER_REPORT");
    if (!timerReport.isEmpty())
        application->installEventFilter(
            new TimerWait(application, qEnvironmentVariable("KESTRUNE_DRIVER_TIMER"), timerReport));
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(Install)
