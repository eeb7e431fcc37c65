#include "checks/CheckNewVersion.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <stdexcept>

#include "checks/AgentResults.h"
#include "checks/CallerIcon.h"
#include "checks/NewVersionDescription.h"
#include "checks/NewVersionRunState.h"
#include "foundation/ShellOpen.h"
#include "foundation/URegInA.h"
#include "foundation/UnitVAR.h"
#include "foundation/UniversalProcedures.h"
#include "foundation/core/Guard.h"
#include "foundation/core/Placeholders.h"
#include "foundation/core/ProgramValues.h"
#include "language/LangProcessor.h"
#include "language/LanguageMenus.h"
#include "language/pack/LanguagePack.h"
#include "platform/AsciiText.h"
#include "platform/FileSystem.h"
#include "ui_UFormNewVerExists.h"

namespace kestrune {

std::string DownloadPageUrl;
bool CloseNewVersionOnPaint = false;

const ProgramValues newVersionValues([] {
    DownloadPageUrl.clear();
    CloseNewVersionOnPaint = false;
});

namespace {

std::string Description(const std::string& langSuffix) {
    return GetProgramPath(2, "") + FilePrefix + "_CNVTrue" + langSuffix + ".txt";
}

bool OpenableAddress(const std::string& address) {
    const std::string url = ShellOpenUrl(address);
    const std::string lowered = platform::AsciiLower(url);
    return !url.empty() && (lowered.rfind("http://", 0) == 0 || lowered.rfind("https://", 0) == 0);
}

}  // namespace

void ShowNewVersionWindow() { ShowFormModal<TUFormNewVerExists>(false, nullptr); }

TUFormNewVerExists::TUFormNewVerExists(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint),
      ui_(new Ui::TUFormNewVerExists) {
    Guard("CNV.005-01", [&] {
        ui_->setupUi(this);
        connect(ui_->Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
        connect(ui_->Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
        connect(ui_->Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
        connect(ui_->NTCComboBox1, &QComboBox::activated, this, [this](int) { NTCComboBox1Change(); });
    });
    FormCreate();
}

TUFormNewVerExists::~TUFormNewVerExists() { NewVersionWindowOpen = false; }

void TUFormNewVerExists::FormCreate() {
    Guard("CNV.005-01", [&] {
        CloseNewVersionOnPaint = false;
        setFixedSize(464, 396);
        NewVersionWindowOpen = true;
        CaptureFormTexts(0, this);
        TranslateForm(0, this);
        const std::string language = platform::AsciiLower(CurrentLanguage);
        ui_->NTCPanel->setVisible(language != "russian" && language != "english" &&
                                  platform::FileAgeReadable(Description("Eng")));
        setWindowTitle(QString::fromStdString(CallingProgramName));
        // A translated headline with any placeholder but one "%s" stays as it stands.
        std::size_t kept = 0;
        const std::string headline =
            FillPlaceholders(ui_->Panel1->text().toStdString(), {CallingProgramName}, "s", &kept);
        if (kept == 0) ui_->Panel1->setText(QString::fromStdString(headline));
        if (!ReadFile(GetNewVersionLangSuffix())) CloseNewVersionOnPaint = true;
        const QPixmap picture = CallerIconPixmap(48);
        if (!picture.isNull()) ui_->Image1->setPixmap(picture);
    });
}

std::string TUFormNewVerExists::GetNewVersionLangSuffix() {
    std::string suffix;
    Guard("CNV.004-01", [&] {
        const std::string language = platform::AsciiLower(CurrentLanguage);
        if (language == "english") {
            suffix = "Eng";
        } else if (language != "russian") {
            if (DefaultNewVersionLanguage) {
                suffix = "Eng";
            } else {
                ui_->NTCComboBox1->setCurrentIndex(1);
            }
        }
        if (!platform::FileAgeReadable(Description("Eng"))) suffix.clear();
    });
    return suffix;
}

bool TUFormNewVerExists::ReadFile(const std::string& langSuffix) {
    bool result = true;
    std::string code = "CNV.003-02";
    Guard(code, [&] {
        const std::string path = Description(langSuffix);
        if (!platform::FileAgeReadable(path)) return;
        const AgentResultText description = ReadAgentResult(path);
        // A cut description (a crash of the machine while the agent wrote it) is no description:
        // it goes as one without a size does.
        if (!description.read() && description.state != ResultState::Cut)
            throw std::runtime_error("the description cannot be read: " + path);
        std::vector<std::string> lines = ResultLines(description.text);
        if (lines.size() < 4) lines.resize(4);  // missing lines read as empty lines
        code = "CNV.003-03";
        ui_->NTCLabeledEdit1->setText(QString::fromStdString(lines[0]));
        code = "CNV.003-04";
        ui_->NTCLabeledEdit2->setText(QString::fromStdString(lines[1]));
        code = "CNV.003-05";
        DownloadPageUrl = lines[2];
        code = "CNV.003-06";
        code = "CNV.003-07";
        int kilobytes = 0;
        const bool sized = ParseKilobytes(lines[3], kilobytes);
        std::size_t kept = 0;
        const std::string sizeText =
            FillPlaceholders(ui_->Label1->text().toStdString(), {lines[3], MegabyteText(kilobytes)}, "s", &kept);
        if (!sized || kept != 0) {
            result = false;
            platform::RemoveFile(Description(""));
            platform::RemoveFile(Description("Eng"));
            return;
        }
        ui_->StatusBar1->showMessage(QString::fromStdString(sizeText));
        ui_->NTCMemo1->clear();
        code = "CNV.003-08";
        QStringList changes;
        for (std::size_t i = 4; i < lines.size(); ++i) changes << QString::fromStdString(lines[i]);
        code = "CNV.003-09";
        // A page that is no web address is shown, never handed to the desktop.
        const bool openable = OpenableAddress(DownloadPageUrl);
        ui_->Button3->setEnabled(openable);
        ui_->Button3->setToolTip(QString::fromStdString(DownloadPageUrl));
        if (!openable && !DownloadPageUrl.empty()) changes << QString() << QString::fromStdString(DownloadPageUrl);
        code = "CNV.003-10";
        ui_->NTCMemo1->setPlainText(changes.join('\n'));
    });
    return result;
}

void TUFormNewVerExists::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormPaint();
}

void TUFormNewVerExists::FormPaint() {
    Guard("CNV.009-01", [&] {
        if (CloseNewVersionOnPaint) QTimer::singleShot(0, this, [this] { close(); });
    });
}

void TUFormNewVerExists::closeEvent(QCloseEvent* event) {
    Guard("CNV.006-01", [&] {
        NewVersionWindowOpen = false;
        event->accept();
        done(QDialog::Accepted);
    });
}

void TUFormNewVerExists::Button1Click() {
    Guard("CNV.001-01", [&] {
        const std::string folder = GetProgramPath(2, "");
        platform::CreateDirectories(folder);
        const platform::IoResult written = platform::WriteFileAtomic(folder + FilePrefix + "_CheckTrue", "");
        if (!written) throw std::runtime_error(written.message);
        close();
    });
}

void TUFormNewVerExists::Button2Click() {
    Guard("CNV.002-01", [&] { close(); });
}

void TUFormNewVerExists::Button3Click() {
    Guard("CNV.007-01", [&] {
        if (OpenableAddress(DownloadPageUrl)) ShellOpen(DownloadPageUrl, 0);
        close();
    });
}

void TUFormNewVerExists::NTCComboBox1Change() {
    Guard("CNV.008-01", [&] {
        DefaultNewVersionLanguage = ui_->NTCComboBox1->currentIndex() != 1;
        ReadFile(GetNewVersionLangSuffix());
        SaveLanguageSettings();
    });
}

}  // namespace kestrune
