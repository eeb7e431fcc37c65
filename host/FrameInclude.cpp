#include "host/FrameInclude.h"

#include <QAction>
#include <QMenu>
#include <QPushButton>
#include <QScopeGuard>

#include "checks/AddonCheck.h"
#include "checks/UnitAutoUpdate.h"
#include "checks/UnitAutoUpdateSettings.h"
#include "errors/ErrorProcessor.h"
#include "foundation/CounterFiles.h"
#include "foundation/MessageBoxes.h"
#include "foundation/core/Product.h"
#include "foundation/core/Quietly.h"
#include "host/IncludeModules.h"
#include "language/ClickMemo.h"
#include "language/LangProcessor.h"
#include "language/LanguageMenus.h"
#include "language/UFrameHlpBtn.h"
#include "platform/Clock.h"
#include "ui_TUFrameIncludePanel.h"

namespace kestrune {

TUFrameIncludePanel::TUFrameIncludePanel(QWidget* parent)
    : TUFrame(parent), ui_(std::make_unique<Ui::TUFrameIncludePanel>()) {
    ui_->setupUi(this);
    Panel1 = ui_->Panel1;
    Label1 = ui_->Label1;
    FrameLangComponents1 = ui_->FrameLangComponents1;
    FrameUProcedures1 = ui_->FrameUProcedures1;
    FrameTUAU1 = ui_->FrameTUAU1;

    auto timer = [this](const char* name, int interval) {
        auto* made = new QTimer(this);
        made->setObjectName(name);
        made->setInterval(interval);
        return made;
    };
    TimerUCNV = timer("TimerUCNV", 500);
    TimerWorkTime = timer("TimerWorkTime", 60000);
    TimerUCAC = timer("TimerUCAC", 500);
    TimerUTZMSG = timer("TimerUTZMSG", 1000);
    connect(TimerUCNV, &QTimer::timeout, this, [this] { TimerUCNVTimer(TimerUCNV); });
    connect(TimerWorkTime, &QTimer::timeout, this, [this] { TimerWorkTimeTimer(TimerWorkTime); });
    connect(TimerUTZMSG, &QTimer::timeout, this, [this] { TimerUTZMSGTimer(TimerUTZMSG); });
    connect(TimerUCAC, &QTimer::timeout, this, [] { TimerUCACTimer(); });
    lastWorkTick_ = platform::TickCount();
    TimerWorkTime->start();

    // The working list's memo has no handler of its own: every language load ends by firing the
    // re-translation through it.
    connect(FrameLangComponents1->MChoseLan, &TClickMemo::Clicked, this,
            &TUFrameIncludePanel::FrameLangComponents1MChoseLanClick);
}

TUFrameIncludePanel::~TUFrameIncludePanel() = default;

void TUFrameIncludePanel::FrameLangComponents1MChoseLanClick(QObject*) {
    const bool settingsOpen = SettingsFrameShown && SettingsFrame;

    TranslateForm(1, HostForm);
    if (FrameUProcedures1) {
        TranslateFramePlain(1, FrameUProcedures1);
        FrameUProcedures1->MsgSErrorCaptionClick(this);
    }
    if (settingsOpen && SettingsFrame) TranslateFramePlain(1, SettingsFrame);
    if (FrameTUAU1) {
        TranslateFramePlain(1, FrameTUAU1);
        // The carrier hands its texts to the check, which rebuilds its status line.
        FrameTUAU1->StatusAU1Click(this);
    }
    if (settingsOpen && SettingsFrame) SettingsFrame->Panel2->setText(QString::fromStdString(UpdateStatusText));
    // Windows that were translated when they opened follow too (the settings window).
    TranslateFollowedForms();

    auto* help = qobject_cast<TUFrameHlpBtn*>(HelpFrame);
    if (help) help->HlpBtn->setEnabled(HelpFound);
    if (HelpMenuItem) HelpMenuItem->menuAction()->setVisible(SeveralHelpLanguages);
    if (HelpMenuItem2) HelpMenuItem2->setVisible(!SeveralHelpLanguages);
    if (help) help->BitBtn1->setVisible(SeveralHelpLanguages);
    if (help && SeveralHelpLanguages) help->InitPopUpMenu(this);
}

// The handler carries no location code: the check's routines report for themselves.
void TUFrameIncludePanel::TimerUCNVTimer(QObject*) {
    // A tick from inside a window that an earlier tick opened takes no second turn: the check
    // that tick is running is not entered again.
    if (versionTickRunning_) return;
    versionTickRunning_ = true;
    const QPointer<TUFrameIncludePanel> self(this);
    // Down again on every way out, unless the panel went while the tick ran.
    const auto tickEnded = qScopeGuard([&self] {
        if (self) self->versionTickRunning_ = false;
    });
    QTimer* timer = TimerUCNV;
    // The settings window's frame follows the check while it is shown.
    QPointer<TUFrame1> frame = SettingsFrameShown ? SettingsFrame : nullptr;

    if (timer->interval() == 500) {
        if (frame) {
            frame->ULaunchCheck(0, 0, timer);
            if (self && !timer->isActive()) {
                if (frame) {
                    frame->Button2->setEnabled(true);
                    frame->ULaunchCheck(2, 0, timer);
                } else {
                    AutoUpdateAction(2, 0, timer);
                }
            }
        } else {
            AutoUpdateAction(0, 0, timer);
            if (self && !timer->isActive()) AutoUpdateAction(2, 0, timer);
        }
    } else {
        bool switchedOff = false;
        if (!VersionCheckEnabled) {
            timer->stop();
            timer->setInterval(500);
            switchedOff = true;
        }
        if (IsInternetConnected() || !VersionCheckOnlineOnly) {
            StartVersionCheck(0);
            timer->setInterval(500);
            if (frame) {
                frame->Panel2->setText(QString::fromStdString(UpdateStatusText));
                // A check switched off starts nothing, and nothing would give the button back.
                if (!switchedOff) frame->Button2->setEnabled(false);
            }
        }
    }
}

// The work-time and time-zone handlers have no location code: a failure inside them is dropped.
void TUFrameIncludePanel::TimerWorkTimeTimer(QObject*) {
    Quietly([&] {
        // Each tick adds only the time since the one before, so the counter holds the running
        // time once, however long the run (a whole-run difference added every minute would not).
        // The first tick counts from the start of the run, once the start-up has taken it.
        if (!workTimeCounted_) {
            workTimeCounted_ = true;
            if (StartTickCount != 0) lastWorkTick_ = StartTickCount;
        }
        AddRunningTime(lastWorkTick_, platform::TickCount());
    });
}

void TUFrameIncludePanel::TimerUTZMSGTimer(QObject*) {
    Quietly([&] {
        TimerUTZMSG->stop();
        const QLabel* caption = FrameUProcedures1 ? FrameUProcedures1->Label1 : nullptr;
        ShowMessageBox(HostForm,
                       std::string(kProductName) + " " + kProductVersion + "\n\n" + Label1->text().toStdString(),
                       caption ? caption->text().toStdString() : std::string(), "Warning", kMbSystemModal);
        // The system's date and time settings page has no counterpart to open here.
    });
}

}  // namespace kestrune
