// Loaded into the program under test with LD_PRELOAD. When the first modal window opens, it
// writes that window's object name and caption to $KESTRUNE_DRIVER_REPORT and then closes it the
// way $KESTRUNE_DRIVER_ACTION says: the name of a button to click, or "Esc".
#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QPushButton>
#include <QTimer>

namespace {

void DriveFirstModalWindow() {
    auto* poll = new QTimer(QCoreApplication::instance());
    QObject::connect(poll, &QTimer::timeout, [poll] {
        QWidget* window = QApplication::activeModalWidget();
        if (!window) return;
        poll->stop();
        QFile report(qEnvironmentVariable("KESTRUNE_DRIVER_REPORT"));
        if (report.open(QIODevice::WriteOnly)) report.write((window->objectName() + "|" + window->windowTitle()).toUtf8());
        report.close();
        const QString action = qEnvironmentVariable("KESTRUNE_DRIVER_ACTION");
        if (action == "Esc") {
            QCoreApplication::postEvent(window, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
        } else if (auto* button = window->findChild<QPushButton*>(action)) {
            QMetaObject::invokeMethod(button, &QPushButton::click, Qt::QueuedConnection);
        }
    });
    poll->start(20);
}

// Runs when the application object is made; the poll starts once its event loop runs.
void Install() {
    QMetaObject::invokeMethod(QCoreApplication::instance(), &DriveFirstModalWindow, Qt::QueuedConnection);
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(Install)
