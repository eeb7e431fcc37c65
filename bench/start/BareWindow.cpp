// The yardsticks of the start benchmark, bare Qt Widgets programs:
//
//   kestrune_bare_window WIDTH HEIGHT [wait]
//     creates a window of the given size, shows it, lets it paint, closes it and ends;
//   kestrune_bare_window dialog [wait]
//     shows, modally, a dialog made like the settings window: the same size, the same kinds and
//     number of widgets in the same places (Qt's own inner widgets included: the scroll box's
//     bars, the interval list's popup), with the texts that window shows in English, closed by
//     the modal driver's click on its "ButtonOk" at its first paint, and ends. Nothing of the
//     program is in it: no translation, no settings, no frame registry.
//
// With "wait" each waits as the program's host window does before its job: a 151 x 498 window
// (the given size in the first form) is shown and painted, and a precise 100 ms timer named
// "Timer1", started when the window is shown as the host window starts its own, ends the wait;
// then the window closes, or the dialog is shown (and the window closes after it). The modal
// driver times that timer on both sides alike.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QTimer>
#include <QWidget>
#include <cstring>

namespace {

void Fill(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

template <typename W>
W* Make(QWidget* parent, const char* name, int x, int y, int width, int height, const char* text = nullptr) {
    auto* widget = new W(parent);
    widget->setObjectName(name);
    widget->setGeometry(x, y, width, height);
    if constexpr (requires { widget->setText(QString()); }) {
        if (text) widget->setText(QString::fromUtf8(text));
    }
    return widget;
}

// The settings window's widgets: four buttons below a scroll box that holds the update frame
// (its panel, the title bar with its text, two check boxes, a label, the interval list of seven
// entries, a button and the status line).
int ShowSettingsLikeDialog(QApplication& app) {
    QDialog dialog(nullptr, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint);
    dialog.setObjectName("BareDialog");
    dialog.setFixedSize(540, 162);
    dialog.setWindowTitle("Program settings...");
    dialog.setFont(QFont("Tahoma", 8));
    auto* ok = Make<QPushButton>(&dialog, "ButtonOk", 350, 134, 89, 22, "Ok");
    ok->setToolTip("Close the window and save the changes");
    auto* cancel = Make<QPushButton>(&dialog, "ButtonCancel", 445, 134, 89, 22, "Cancel");
    cancel->setToolTip("Close the window and discard the changes");
    Make<QPushButton>(&dialog, "Button6", 147, 134, 184, 22, "Other Dravelo programs...");
    Make<QPushButton>(&dialog, "Button1", 9, 134, 132, 22, "About...");
    for (auto* button : dialog.findChildren<QPushButton*>()) button->setAutoDefault(false);
    auto* box = Make<QScrollArea>(&dialog, "ScrollBox4", 6, 7, 529, 122);
    box->setFocusPolicy(Qt::NoFocus);
    box->setFrameShape(QFrame::StyledPanel);
    // As a designed form builds it: the box's contents are filled first and put into the box
    // last, so that they take the dialog's font only then (and the interval list, told of the
    // font change, makes its popup as the settings window's does).
    auto* contents = Make<QWidget>(nullptr, "ScrollBox4Contents", 0, 0, 525, 118);
    auto* frame = Make<QFrame>(contents, "UFrame11", 4, 3, 517, 112);
    auto* panel = Make<QFrame>(frame, "Panel1", 0, 0, 517, 112);
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    auto* title = Make<QLabel>(panel, "NTCPanelACNV2", 2, 2, 513, 18, "2.0 ");
    title->setAutoFillBackground(true);
    title->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* titleText = Make<QLabel>(title, "Label3", 0, 0, 420, 18, " Update check:");
    QPalette titleColours = title->palette();
    titleColours.setColor(QPalette::Window, titleColours.color(QPalette::Active, QPalette::Highlight));
    titleColours.setColor(QPalette::WindowText, titleColours.color(QPalette::Active, QPalette::HighlightedText));
    title->setPalette(titleColours);
    titleText->setPalette(titleColours);
    Make<QCheckBox>(panel, "CheckBox7", 8, 24, 500, 18, "Check for a new version when the program starts")
        ->setChecked(true);
    Make<QCheckBox>(panel, "CheckBox1", 26, 43, 482, 18, "If the Internet is off, do not connect")->setChecked(true);
    Make<QLabel>(panel, "Label7", 170, 65, 270, 20, "Minimum interval in days")
        ->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* interval = Make<QComboBox>(panel, "NTCComboBox4", 446, 64, 62, 22);
    interval->addItems({"1", "3", "5", "10", "15", "20", "30"});
    interval->setCurrentIndex(2);
    Make<QPushButton>(panel, "Button2", 8, 64, 150, 22, "Check now")->setAutoDefault(false);
    auto* status = Make<QLabel>(panel, "Panel2", 2, 90, 513, 20, " Update check: querying for new versions...");
    status->setFrameShape(QFrame::Panel);
    status->setFrameShadow(QFrame::Sunken);
    box->setWidget(contents);
    Fill(box->viewport(), QColor(166, 202, 240));
    Fill(contents, QColor(166, 202, 240));
    Fill(frame, QColor(240, 251, 255));
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    dialog.exec();
    app.quit();
    return 0;
}

// A window that starts its timer when it is shown, before its first paint, as the host window does.
class WaitingWindow : public QWidget {
public:
    QTimer* timer = nullptr;

protected:
    void showEvent(QShowEvent* event) override {
        QWidget::showEvent(event);
        if (timer && !timer->isActive()) timer->start();
    }
};

}  // namespace

int main(int argc, char** argv) {
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    const bool dialog = argc > 1 && std::strcmp(argv[1], "dialog") == 0;
    const int waitArgument = dialog ? 2 : 3;  // after "dialog", or after the size
    const bool wait = argc > waitArgument && std::strcmp(argv[waitArgument], "wait") == 0;
    if (dialog && !wait) return ShowSettingsLikeDialog(app);
    const int width = !dialog && argc > 2 ? std::atoi(argv[1]) : dialog ? 151 : 200;
    const int height = !dialog && argc > 2 ? std::atoi(argv[2]) : dialog ? 498 : 200;
    WaitingWindow window;
    window.resize(width, height);
    auto finish = [&] {
        if (dialog) ShowSettingsLikeDialog(app);
        window.close();
        app.quit();
    };
    if (wait) {
        window.timer = new QTimer(&window);
        window.timer->setObjectName("Timer1");
        window.timer->setInterval(100);
        window.timer->setTimerType(Qt::PreciseTimer);
        QObject::connect(window.timer, &QTimer::timeout, &window, [&] {
            window.timer->stop();
            finish();
        });
    }
    window.show();
    if (!wait) {
        // Closed once the event loop has shown and painted it.
        QTimer::singleShot(0, &window, [&] {
            window.repaint();
            finish();
        });
    }
    return app.exec();
}
