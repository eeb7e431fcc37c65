// Loaded into the program under test with LD_PRELOAD. When the first modal window opens, it
// writes that window's object name and caption to $KESTRUNE_DRIVER_REPORT and then closes it the
// way $KESTRUNE_DRIVER_ACTION says: the name of a button to click, or "Esc". For each component
// named in $KESTRUNE_DRIVER_TEXTS (names joined by ","), "|name=text" follows in the report.
// Actions joined by "," close the modal windows that follow the first one in turn.
#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <memory>

namespace {

QString ComponentText(QWidget* window, const QString& name) {
    if (auto* label = window->findChild<QLabel*>(name)) return label->text();
    if (auto* button = window->findChild<QAbstractButton*>(name)) return button->text();
    return QStringLiteral("<none>");
}

void DriveFirstModalWindow() {
    auto* poll = new QTimer(QCoreApplication::instance());
    const QStringList actions = qEnvironmentVariable("KESTRUNE_DRIVER_ACTION").split(',');
    auto driven = std::make_shared<qsizetype>(0);
    auto last = std::make_shared<QPointer<QWidget>>();
    QObject::connect(poll, &QTimer::timeout, [poll, actions, driven, last] {
        QWidget* window = QApplication::activeModalWidget();
        if (!window || window == last->data()) return;
        *last = window;
        const QString action = actions.value((*driven)++);
        if (*driven >= actions.size()) poll->stop();
        if (*driven > 1) {
            if (auto* button = window->findChild<QPushButton*>(action))
                QMetaObject::invokeMethod(button, &QPushButton::click, Qt::QueuedConnection);
            return;
        }
        QFile report(qEnvironmentVariable("KESTRUNE_DRIVER_REPORT"));
        QString shown = window->objectName() + "|" + window->windowTitle();
        for (const QString& name : qEnvironmentVariable("KESTRUNE_DRIVER_TEXTS").split(',', Qt::SkipEmptyParts))
            shown += "|" + name + "=" + ComponentText(window, name);
        if (report.open(QIODevice::WriteOnly)) report.write(shown.toUtf8());
        report.close();
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
