#include "host/Settings.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QTimer>

#include "checks/UnitAutoUpdateSettings.h"
#include "foundation/core/Guard.h"
#include "foundation/core/ProgramValues.h"
#include "host/IncludeModules.h"
#include "ui_FormSettings.h"

namespace kestrune {

QPointer<TFormSettings> FormSettings;

const ProgramValues settingsWindowValues([] { FormSettings = nullptr; });

namespace {

void Paint(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

}  // namespace

TFormSettings::TFormSettings(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint),
      ui_(std::make_unique<Ui::TFormSettings>()) {
    ui_->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    UFrame11 = ui_->UFrame11;
    // Sky blue behind the frame (the colour once named clSkyBlue), the frame's own pale blue.
    Paint(ui_->ScrollBox4->viewport(), QColor(166, 202, 240));
    Paint(ui_->ScrollBox4Contents, QColor(166, 202, 240));
    Paint(UFrame11, QColor(240, 251, 255));
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    connect(ui_->ButtonOk, &QPushButton::clicked, this, &TFormSettings::ButtonOkClick);
    connect(ui_->ButtonCancel, &QPushButton::clicked, this, &TFormSettings::ButtonCancelClick);
    connect(ui_->Button6, &QPushButton::clicked, this, &TFormSettings::Button6Click);
    connect(ui_->Button1, &QPushButton::clicked, this, &TFormSettings::Button1Click);
    // The frame's check-now button is this window's, not the frame's own handler.
    disconnect(UFrame11->Button2, &QPushButton::clicked, nullptr, nullptr);
    connect(UFrame11->Button2, &QPushButton::clicked, this, &TFormSettings::UFrame11Button2Click);
    BuildTabOrder();
    FormSettings = this;
    FormCreate();
}

TFormSettings::~TFormSettings() {
    if (FormSettings == this) FormSettings = nullptr;
}

void TFormSettings::FormCreate() {
    Guard("02.004-01", [&] { RegisterSettingsFrame(true, true, true, UFrame11); });
}

void TFormSettings::ButtonOkClick() {
    Guard("02.001-01", [&] {
        SaveSettingsWindow();
        close();
    });
}

void TFormSettings::ButtonCancelClick() {
    Guard("02.002-01", [&] {
        ReloadSettings();
        close();
    });
}

void TFormSettings::UFrame11Button2Click() {
    Guard("02.005-01", [&] {
        UFrame11->Button2Click();
        UFrame11->ULaunchCheck(1, 1, TimerUCNV);
    });
}

void TFormSettings::Button6Click() {
    Guard("02.006-01", [&] { OpenOtherProgramsPage(); });
}

void TFormSettings::Button1Click() {
    Guard("02.007-01", [&] { ShowAboutWindow(); });
}

void TFormSettings::FormClose() {
    Guard("02.003-01", [&] { RegisterSettingsFrame(false, false, false, nullptr); });
}

void TFormSettings::reject() { ButtonCancelClick(); }

void TFormSettings::closeEvent(QCloseEvent* event) {
    if (event->spontaneous() && !closed_) {
        // Turned into a click on Cancel once this event is over: a close from inside a close
        // event would be lost.
        event->ignore();
        QTimer::singleShot(0, this, &TFormSettings::ButtonCancelClick);
        return;
    }
    if (!closed_) {
        closed_ = true;
        FormClose();
    }
    // Accepting hides the window, which ends its modal loop; QDialog's own close would cancel.
    event->accept();
}

void TFormSettings::BuildTabOrder() {
    // Button6, ButtonOk, ButtonCancel, the controls of the frame in the scroll box (the box itself
    // is no stop), Button1. The frame's controls keep their own order among themselves.
    ui_->ScrollBox4->setFocusPolicy(Qt::NoFocus);
    std::vector<QWidget*> frameStops;
    for (QWidget* widget = nextInFocusChain(); widget && widget != this; widget = widget->nextInFocusChain()) {
        if (UFrame11->isAncestorOf(widget) && (widget->focusPolicy() & Qt::TabFocus)) frameStops.push_back(widget);
    }
    QWidget* previous = ui_->ButtonCancel;
    setTabOrder(ui_->Button6, ui_->ButtonOk);
    setTabOrder(ui_->ButtonOk, ui_->ButtonCancel);
    for (QWidget* stop : frameStops) {
        setTabOrder(previous, stop);
        previous = stop;
    }
    setTabOrder(previous, ui_->Button1);
}

}  // namespace kestrune
