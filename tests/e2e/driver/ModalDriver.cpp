// Loaded into the program under test with LD_PRELOAD. When the first modal window paints for the
// first time, it writes that window's object name and caption to $KESTRUNE_DRIVER_REPORT and
// then closes it the way $KESTRUNE_DRIVER_ACTION says: the name of a button to click, or "Esc".
// For each component named in $KESTRUNE_DRIVER_TEXTS (names joined by ","), "|name=text" follows
// in the report.
#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

namespace {

QString ComponentText(QWidget* window, const QString& name) {
    if (auto* label = window->findChild<QLabel*>(name)) return label->text();
    if (auto* button = window->findChild<QAbstractButton*>(name)) return button->text();
    return QStringLiteral("<none>");
}

void Drive(QWidget* window) {
    QFile report(qEnvironmentVariable("KESTRUNE_DRIVER_REPORT"));
    QString shown = window->objectName() + "|" + window->windowTitle();
    for (const QString& name : qEnvironmentVariable("KESTRUNE_DRIVER_TEXTS").split(',', Qt::SkipEmptyParts))
        shown += "|" + name + "=" + ComponentText(window, name);
    if (report.open(QIODevice::WriteOnly)) report.write(shown.toUtf8());
    report.close();
    // Queued, so that the paint in progress ends before the window goes.
    const QString action = qEnvironmentVariable("KESTRUNE_DRIVER_ACTION");
    if (action == "Esc") {
        QCoreApplication::postEvent(window, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    } else if (auto* button = window->findChild<QPushButton*>(action)) {
        QMetaObject::invokeMethod(button, &QPushButton::click, Qt::QueuedConnection);
    }
}

// Watches every paint of the application: the first one that belongs to the window that is
// modal at that moment drives it, once.
class FirstModalPaint : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (done_ || event->type() != QEvent::Paint || !watched->isWidgetType()) return false;
        QWidget* window = QApplication::activeModalWidget();
        if (!window || static_cast<QWidget*>(watched)->window() != window) return false;
        done_ = true;
        Drive(window);
        return false;
    }

private:
    bool done_ = false;
};

// Runs when the application object is made.
void Install() {
    QCoreApplication* application = QCoreApplication::instance();
    application->installEventFilter(new FirstModalPaint(application));
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(Install)
