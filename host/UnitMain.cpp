#include "host/UnitMain.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <optional>

#include "checks/UMessages.h"
#include "errors/ErrorProcessor.h"
#include "foundation/Application.h"
#include "foundation/URegInA.h"
#include "foundation/UnitVAR.h"
#include "foundation/UniversalProcedures.h"
#include "foundation/core/Guard.h"
#include "foundation/core/Printable.h"
#include "foundation/core/Product.h"
#include "host/CallerValues.h"
#include "host/IncludeModules.h"
#include "host/ProgramSettings.h"
#include "host/SettingsJob.h"
#include "language/FirstChoose.h"
#include "language/LangProcessor.h"
#include "language/LanguageMenus.h"
#include "language/UFrameHlpBtn.h"
#include "platform/AsciiText.h"
#include "platform/FileSystem.h"
#include "ui_FormKestrune.h"

namespace kestrune {

namespace {

bool IsKnownLanguage(const std::string& language) { return language == "English" || language == "Russian"; }

// Values that a start without a program name read from its stored file reach paths and
// addresses as much as the command line's (which were checked before the start). The merged name
// and version are checked again: they make the folder and file names of this run.
bool StoredValuesAreSafe(const std::vector<CallerValue>& stored) {
    const std::string refusal =
        StartRefusal({"stored program name (ProName)", P2}, {"stored program version (ProVer)", P3}, stored);
    if (refusal.empty()) return true;
    std::fprintf(stderr, "%s\n", refusal.c_str());
    return false;
}

void UpdateNotSupportedMarker() {
    const std::string folder = GetProgramPath(2, "");
    const std::string marker = folder + "NotSupportedOS.ini";
    if (ErrorReportingOff) {
        if (!platform::FileAgeReadable(marker)) {
            platform::CreateDirectories(folder);
            // A marker that cannot be written now is written by the next start that finds it missing.
            [[maybe_unused]] const platform::IoResult ignored = platform::WriteFileAtomic(marker, "");
        }
    } else if (platform::FileAgeReadable(marker)) {
        platform::RemoveFile(marker);
    }
}

}  // namespace

TFormKestrune::TFormKestrune(const std::vector<std::string>& params)
    // Never seen: borderless, fully transparent and above the screen. A tool window that takes no
    // focus keeps it out of the task bar and from a window manager that ignores the opacity.
    : QWidget(nullptr, Qt::FramelessWindowHint | Qt::Tool | Qt::WindowDoesNotAcceptFocus),
      ui_(std::make_unique<Ui::TFormKestrune>()) {
    ui_->setupUi(this);
    UFrameIncludePanel1 = ui_->UFrameIncludePanel1;
    UFrameHlpBtn1 = ui_->UFrameHlpBtn1;
    UFrameIncludePanel1->hide();
    // The help button frame serves the help menu items only: on a window that is never seen
    // nobody can click it. Hidden, it is never painted, so a start that shows no window with
    // text loads no font for its button.
    UFrameHlpBtn1->hide();
    // Without a compositor neither the opacity nor the place above the screen hides a window (a
    // window manager pulls it back into view): the window is never mapped at all. It is still
    // shown as far as Qt goes, so its show event and its timers run as designed.
    setAttribute(Qt::WA_DontShowOnScreen);
    // Its pixels are never seen, so its background is not filled: the paint events still come
    // (FormPaint), but the window's image is never written to.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setWindowOpacity(0.0);
    move(0, -500);
    resize(151, 498);
    CreateMenus();
    // The help-language button moves the focus on before its menu pops up.
    if (auto* frame = qobject_cast<TUFrameHlpBtn*>(UFrameHlpBtn1); frame && frame->BitBtn1) {
        disconnect(frame->BitBtn1, &QPushButton::clicked, frame, nullptr);
        connect(frame->BitBtn1, &QPushButton::clicked, this,
                [this, frame] { UFrameHlpBtn1BitBtn1Click(frame->BitBtn1); });
    }
    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(100);
    // The job starts 100 ms after the first paint, not anywhere within 5% of it as Qt's
    // default coarse timer would have it.
    Timer1->setTimerType(Qt::PreciseTimer);
    connect(Timer1, &QTimer::timeout, this, &TFormKestrune::Timer1Timer);
    FormCreate(params);
}

TFormKestrune::~TFormKestrune() = default;

void TFormKestrune::CreateMenus() {
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName("PopupMenu1");
    NTCLanguage1 = PopupMenu1->addMenu("Language");
    NTCLanguage1->setObjectName("NTCLanguage1");
    NTCLanguage1->menuAction()->setObjectName("NTCLanguage1");
    N9 = PopupMenu1->addMenu(QString::fromUtf8("Справка"));
    N9->setObjectName("N9");
    N9->menuAction()->setObjectName("N9");
    N70 = N9->addMenu(QString::fromUtf8("Помощь..."));
    N70->setObjectName("N70");
    N70->menuAction()->setObjectName("N70");
    N71 = N9->addAction(QString::fromUtf8("Помощь..."));
    N71->setObjectName("N71");
    connect(N71, &QAction::triggered, this, &TFormKestrune::N71Click);
}

void TFormKestrune::FormCreate(const std::vector<std::string>& params) {
    Guard("01.004-01", [&] {
        InitProgramVariables();
        FirstChooseDone = false;
        PaintedOnce = false;
        CloseAtStart = false;

        auto parameter = [&](std::size_t index) { return index < params.size() ? params[index] : std::string(); };
        P1 = parameter(1);
        P2 = parameter(2);
        P3 = parameter(3);
        CommandLineLanguage = parameter(4);
        P5 = parameter(5);
        P6 = parameter(6);
        P7 = parameter(7);
        if (!IsKnownLanguage(CommandLineLanguage)) CommandLineLanguage.clear();

        if (platform::AsciiLower(P1) == "uninstall") {
            UninstallStart = true;
            if (!P2.empty()) {
                MustSetFilesInAppData = true;
                const std::string root = GetProgramPath(2, "");
                ProgramSettingsFolder = std::string(kProductName) + "\\" + P2;
                DeleteDirectory(root + ProgramSettingsFolder);
            }
            return;
        }

        InitSettingsLocation(true, "", this);
        // A start refused for its stored values writes nothing: the repairs of what it read
        // (and their message) wait until the values are judged.
        struct HeldUntilJudged {
            bool accepted = true;
            HeldUntilJudged() { HoldSettingsWrites(); }
            ~HeldUntilJudged() { ReleaseHeldSettingsWrites(accepted); }
        };
        std::optional<HeldUntilJudged> held(std::in_place);
        if (P2.empty()) FindStoredProgramSettings(this);
        // As read, before the merge replaces any of them.
        const std::vector<CallerValue> stored = {{"stored icon file (IconPatch)", IconPatch},
                                                 {"stored address (URLtoFile)", URLtoFile},
                                                 {"stored address (URLtoMSG)", URLtoMSG},
                                                 {"stored icon file (CSIconPatch)", P5}};
        MergeParameters();
        if (!StoredValuesAreSafe(stored)) {
            held->accepted = false;
            held.reset();
            StartRefused = true;
            TerminateApplication(2);
            return;
        }
        held.reset();
        RemoveTakenOverSettings();

        MessagesUrl = URLtoMSG;
        ProgramSettingsFolder = std::string(kProductName) + "\\" + P2;
        FilePrefix = P2 + "_" + P3;
        CallingProgramVersion = P3;
        CheckUrl = URLtoFile;
        if (P1 == "3") SuppressCheckWindows = true;
        IconPath = IconPatch;

        InitIncludeModules(false, false, UFrameIncludePanel1, this, this, "", false, false);

        // The start-up services begin with the program's own name and no caller's log, so that a
        // failure while they run is reported as the program's; the caller's take over after them.
        CallingProgramName = P2;
        ExternalErrorLogPath = P7;
        if (!P1.empty() && (P2.empty() || P3.empty() || CommandLineLanguage.empty())) {
            FirstChooseDone = true;
            CloseAtStart = true;
        }
        if (IsKnownLanguage(CommandLineLanguage)) {
            CurrentLanguage = CommandLineLanguage;
            FirstChooseDone = true;
            // The language comes from the caller; the help language and the new-version language
            // stay as the user chose them, and are stored with it.
            LoadStoredLanguageChoices(this);
        }
        UpdateNotSupportedMarker();
    });
}

void TFormKestrune::FormShow() {
    Guard("01.005-01", [&] {
        if (!FirstChooseDone) {
            FirstChooseDone = true;
            CreateFirstChooseWindow(this);
        }
        InitWindowLanguage(0, NTCLanguage1, N70, N71, PopupMenu1, nullptr, this, UFrameHlpBtn1);
        BuildHelpLanguageMenu(0, PopupMenu1, nullptr);
        FinishIncludeModules(false);
        FormPaint();
    });
}

void TFormKestrune::FormPaint() {
    Guard("01.006-01", [&] {
        FirstPaintServices(false);
        if (CloseAtStart && !Timer1->isActive()) Timer1->start();
        if (!PaintedOnce && !CurrentLanguage.empty()) {
            PaintedOnce = true;
            if (!Timer1->isActive()) Timer1->start();
        }
    });
}

void TFormKestrune::Timer1Timer() {
    Guard("01.007-01", [&] {
        if (BusyFlag) return;
        Timer1->stop();
        if (CloseAtStart) {
            close();
            return;
        }
        if (P1.empty()) {
            if (!P2.empty()) RunSettingsWindowJob();
            TerminateApplication();
            return;
        }
        switch (ModeNumber(P1)) {
            case 0: break;
            case 1:
                if (!P6.empty()) RunSettingsWindowJob();
                break;
            case 2:
                if (!P6.empty()) {
                    ProductName = P2;
                    VersionTag = P3;
                    AuthorAddress = P6;
                    ProcessError("review");
                }
                break;
            case 3:
                if (!P6.empty()) {
                    ProductName = P2;
                    VersionTag = P3;
                    ErrorOccurred = true;
                    ProcessError("Kestrune");
                }
                break;
            default:
                // A mode nobody knows would leave an invisible process that nobody can end.
                std::fprintf(stderr, "%s: unknown mode \"%s\"; nothing to do.\n", kProductName, Printable(P1).c_str());
                TerminateApplication(2);
                return;
        }
        TerminateApplication();
    });
}

void TFormKestrune::FormClose() {
    Guard("01.008-01", [&] { ShutdownIncludeModules(); });
}

void TFormKestrune::N71Click() {
    // The help button's own handler opens the help index.
    Guard("01.009-01", [&] {
        if (auto* frame = qobject_cast<TUFrameHlpBtn*>(UFrameHlpBtn1); frame && frame->HlpBtn) frame->HlpBtn->click();
    });
}

void TFormKestrune::UFrameHlpBtn1BitBtn1Click(QWidget*) {
    Guard("01.010-01", [&] {
        focusNextChild();
        if (auto* frame = qobject_cast<TUFrameHlpBtn*>(UFrameHlpBtn1)) frame->BitBtn1Click();
    });
}

void TFormKestrune::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (shownOnce_) return;
    shownOnce_ = true;
    FormShow();
}

void TFormKestrune::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    FormPaint();
}

void TFormKestrune::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();
    // Closing the main window ends the program.
    TerminateApplication();
}

}  // namespace kestrune
