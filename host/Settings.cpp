#include "host/Settings.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>

#include "checks/UnitAutoUpdateSettings.h"
#include "foundation/core/Guard.h"
#include "foundation/core/ProgramValues.h"
#include "host/IncludeModules.h"
#include "ui_FormSettings.h"

namespace kestrune {

QPointer<TFormSettings> FormSettings;

const ProgramValues settingsWindowValues([] {
    FormSettings = nullptr;
});

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
        SaveSettingsWindow(false, true);
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
    if (!closed_) {
        closed_ = true;
        FormClose();
    }
    // Accepting hides the window, which ends its modal loop; QDialog's own close would cancel.
    event->accept();
}

}  // namespace kestrune
