#include "checks/UnitAutoUpdateSettings.h"

#include <QPalette>
#include <QPointer>
#include <QTimer>

#include "checks/AgentResults.h"
#include "checks/NewVersionDescription.h"
#include "checks/UnitAutoUpdate.h"
#include "foundation/DueTest.h"
#include "foundation/UnitVAR.h"
#include "foundation/core/Guard.h"
#include "platform/FileSystem.h"
#include "ui_TUFrame1.h"

namespace kestrune {
namespace {

// A description counts as a new version only once it is judged newer than the running one: one
// of this version, or one still being written, never switches the check off.
bool NewVersionKnown() { return CheckDescriptionFile(VersionCheckFile("_CNVTrue.txt")) == DescriptionCheck::Newer; }

}  // namespace

TUFrame1::TUFrame1(QWidget* parent) : TUFrame(parent), ui_(std::make_unique<Ui::TUFrame1>()) {
    ui_->setupUi(this);
    Panel1 = ui_->Panel1;
    NTCPanelACNV2 = ui_->NTCPanelACNV2;
    Label3 = ui_->Label3;
    CheckBox7 = ui_->CheckBox7;
    CheckBox1 = ui_->CheckBox1;
    Label7 = ui_->Label7;
    NTCComboBox4 = ui_->NTCComboBox4;
    Button2 = ui_->Button2;
    Panel2 = ui_->Panel2;

    // The title bar in the colours of an active window's caption.
    QPalette title = NTCPanelACNV2->palette();
    title.setColor(QPalette::Window, title.color(QPalette::Active, QPalette::Highlight));
    title.setColor(QPalette::WindowText, title.color(QPalette::Active, QPalette::HighlightedText));
    NTCPanelACNV2->setPalette(title);
    Label3->setPalette(title);

    // A box changed from code runs its handler as a click does; the interval list reports only
    // the user's choice, never an index set from code.
    connect(CheckBox7, &QCheckBox::toggled, this, &TUFrame1::CheckBox7Click);
    connect(CheckBox1, &QCheckBox::toggled, this, &TUFrame1::CheckBox1Click);
    connect(NTCComboBox4, &QComboBox::activated, this, &TUFrame1::NTCComboBox4Change);
    connect(Button2, &QPushButton::clicked, this, &TUFrame1::Button2Click);
}

TUFrame1::~TUFrame1() = default;

void TUFrame1::ShowStatus() {
    UpdateCheckStatusText(true);
    Panel2->setText(QString::fromStdString(UpdateStatusText));
}

void TUFrame1::Disabled() {
    Guard("AUS.001-01", [&] {
        if (!NewVersionKnown()) return;
        CheckBox7->setChecked(false);
        VersionCheckEnabled = false;
        Label7->setEnabled(false);
        CheckBox7->setEnabled(false);
    });
}

void TUFrame1::ULaunchCheck(int action, std::intptr_t arg, QTimer* timer) {
    Guard("AUS.002-01", [&] {
        // The new-version window may open inside; the frame's window could end meanwhile.
        const QPointer<TUFrame1> self(this);
        switch (action) {
            case 0:
                if (!IsCheckResultReady()) {
                    if (timer) timer->start();
                    return;
                }
                if (timer) timer->stop();
                ShowStatus();
                ShowNewVersionIfAny();
                if (self) Disabled();
                return;
            case 1:
                if (BeginVersionCheck(timer, static_cast<int>(arg))) {
                    UpdateCheckStatusText(false);
                    Panel2->setText(QString::fromStdString(UpdateStatusText));
                    Button2->setEnabled(false);
                    return;
                }
                // No check runs whose end would give the check-now button back: it is usable again.
                if (!timer || !timer->isActive()) Button2->setEnabled(VersionAgentPresent);
                break;
            case 2:
                if (timer) timer->stop();
                ShowNewVersionIfAny();
                if (!self) return;
                Panel2->setText(QString::fromStdString(UpdateStatusText));
                Disabled();
                return;
            case 3:
                NewVersionAnnounced = false;
                ShowNewVersionIfAny();
                if (!self) return;
                Disabled();
                break;
            case 4: SaveSettingsUAU(); break;
            case 5: LoadSettingsUAU(reinterpret_cast<WindowHandle>(arg)); break;
            case 6:
                if (NewVersionKnown()) {
                    VersionCheckEnabled = false;
                    Label7->setEnabled(false);
                    CheckBox7->setEnabled(false);
                }
                NTCComboBox4->setCurrentIndex(VersionIntervalIndex);
                CheckBox7->setChecked(VersionCheckEnabled);
                NTCComboBox4->setEnabled(VersionCheckEnabled);
                CheckBox1->setChecked(VersionCheckOnlineOnly);
                CheckBox1->setEnabled(VersionCheckEnabled);
                if (!VersionAgentPresent) {
                    for (QWidget* control : {static_cast<QWidget*>(Label7), static_cast<QWidget*>(Panel1),
                                             static_cast<QWidget*>(NTCComboBox4), static_cast<QWidget*>(CheckBox1),
                                             static_cast<QWidget*>(CheckBox7), static_cast<QWidget*>(Button2)})
                        control->setEnabled(false);
                }
                break;
            default: break;
        }
        ShowStatus();
    });
}

void TUFrame1::CheckBox7Click() {
    Guard("AUS.003-01", [&] {
        const bool checked = CheckBox7->isChecked();
        NTCComboBox4->setEnabled(checked);
        CheckBox1->setEnabled(checked);
        VersionCheckEnabled = checked;
        ShowStatus();
    });
}

void TUFrame1::Button2Click() {
    Guard("AUS.004-01", [&] {
        RemoveAgentFile(LastCheckFilePath(FilePrefix));
        RemoveAgentFile(VersionCheckFile("_CheckTrue"));
        NewVersionAnnounced = false;
        VersionCheckBegun = false;
        Button2->setEnabled(false);
    });
}

void TUFrame1::NTCComboBox4Change() {
    Guard("AUS.005-01", [&] {
        // No selection is no interval: the stored index stays as it was.
        const int index = NTCComboBox4->currentIndex();
        if (index >= 0) VersionIntervalIndex = index;
    });
}

void TUFrame1::CheckBox1Click() {
    Guard("AUS.006-01", [&] { VersionCheckOnlineOnly = CheckBox1->isChecked(); });
}

}  // namespace kestrune
