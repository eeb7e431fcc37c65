#include "checks/UFormAutoComponents.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QTimer>
#include <QTreeWidget>

#include "checks/AddonCheck.h"
#include "checks/AddonList.h"
#include "checks/AgentResults.h"
#include "foundation/DueTest.h"
#include "foundation/ShellOpen.h"
#include "foundation/core/Guard.h"
#include "foundation/core/Placeholders.h"
#include "foundation/core/ProgramValues.h"
#include "language/LangProcessor.h"
#include "language/UFrameHlpBtn.h"
#include "platform/AsciiText.h"
#include "ui_UFormAutoComponents.h"

namespace kestrune {

namespace {

bool AddonWindowLoading = false;

const ProgramValues addonWindowValues([] { AddonWindowLoading = false; });

QString Qt(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

TUFormAutoComponents::TUFormAutoComponents(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      ui_(std::make_unique<Ui::TUFormAutoComponents>()) {
    ui_->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    auto* help = new TUFrameHlpBtn(this);
    help->setObjectName("UFrameHlpBtn1");
    help->move(4, 498);
    helpFrame_ = help;
    QPalette sky = ui_->NTCPanel1->palette();
    sky.setColor(QPalette::Window, QColor(166, 202, 240));
    ui_->NTCPanel1->setPalette(sky);
    connect(ui_->NTCTreeView1, &QTreeWidget::itemClicked, this, [this] { NTCTreeView1Click(); });
    connect(ui_->NTCComboBox1, &QComboBox::currentIndexChanged, this, [this] { NTCComboBox1Change(); });
    connect(ui_->Button1, &QPushButton::clicked, this, &TUFormAutoComponents::Button1Click);
    connect(ui_->CheckBox7, &QCheckBox::clicked, this, &TUFormAutoComponents::CheckBox7Click);
    connect(ui_->Button2, &QPushButton::clicked, this, &TUFormAutoComponents::Button2Click);
    connect(ui_->Button3, &QPushButton::clicked, this, &TUFormAutoComponents::Button3Click);
    connect(ui_->Button4, &QPushButton::clicked, this, &TUFormAutoComponents::Button4Click);
    if (help->BitBtn1)
        connect(help->BitBtn1, &QPushButton::clicked, this, &TUFormAutoComponents::UFrameHlpBtn1BitBtn1Click);
    FormCreate();
    KeepAboveOpenModalWindow(this);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TUFormAutoComponents::~TUFormAutoComponents() {
    if (ShownAddonWindow == this) {
        AddonWindowShown = false;
        ShownAddonWindow = nullptr;
    }
}

void TUFormAutoComponents::FormCreate() {
    Guard("UAC.002-01", [&] {
        // 447 wide and 528 high: the designed width, the designed height less the space it gives up.
        setFixedSize(447, 528);
        // The window counts as open before a waiting list is accepted, so the acceptance refreshes
        // it and tells of the list with a plain notice instead of asking to open this very window.
        AddonWindowShown = true;
        ShownAddonWindow = this;
        CaptureFormTexts(0, this);
        TranslateForm(0, this);
        CheckNewFile();
        NullText();
        AddonWindowLoading = true;
        const auto loaded = qScopeGuard([] { AddonWindowLoading = false; });
        const std::string language = platform::AsciiLower(CurrentLanguage);
        if (language == "russian" || language == "english") {
            ui_->NTCLabel3->hide();
            ui_->NTCComboBox1->hide();
            ui_->NTCComboBox1->setCurrentIndex(language == "english" ? 0 : 1);
        }
        CreateTreeView();
        if (const auto& services = CurrentAddonWindowServices(); services.setupHelpFrame)
            services.setupHelpFrame(helpFrame_, this);
        ui_->CheckBox7->setChecked(AddonCheckEnabled);
        ui_->CheckBox1->setChecked(AddonCheckOnlineOnly);
        ui_->NTCComboBox4->setCurrentIndex(AddonIntervalIndex);
        CheckBox7Click();
        AddonWindowLoading = false;
        ChangeStatus(1);
        if (TimerUCAC && TimerUCAC->isActive() && TimerUCAC->interval() == 500) {
            ui_->Button2->setEnabled(false);
            ChangeStatus(0);
        }
    });
}

void TUFormAutoComponents::CreateTreeView() {
    Guard("UAC.006-01", [&] {
        QTreeWidget* tree = ui_->NTCTreeView1;
        tree->setUpdatesEnabled(false);
        const auto resume = qScopeGuard([tree] {
            tree->setUpdatesEnabled(true);
            tree->expandAll();
        });
        tree->clear();
        const AgentResultText accepted = ReadAcceptedAddonList();
        ui_->Label11->hide();
        if (!accepted.read()) {
            tree->hide();
            ui_->Label10->show();
            return;
        }
        tree->show();
        ui_->Label10->hide();
        const AddonTree offered = BuildAddonTree(ListEntries(accepted.text), InstalledAddonList());
        for (const AddonTree::Branch& branch : offered.branches) {
            auto* node =
                new QTreeWidgetItem(tree, {branch.kind == "Add" ? ui_->Label8->text() : ui_->Label8->toolTip()});
            for (const std::string& name : branch.entries) new QTreeWidgetItem(node, {Qt(name)});
        }
        if (offered.offered == 0) {
            tree->hide();
            ui_->Label11->show();
        }
    });
}

void TUFormAutoComponents::NullText() {
    Guard("UAC.008-01", [&] {
        for (QLineEdit* edit : {ui_->NTCLabeledEdit4, ui_->NTCLabeledEdit1, ui_->NTCLabeledEdit2, ui_->NTCLabeledEdit3})
            edit->clear();
        ui_->NTCMemo1->setPlainText(ui_->Label9->text());
        ui_->Button1->setEnabled(false);
    });
}

void TUFormAutoComponents::NTCTreeView1Click() {
    Guard("UAC.007-01", [&] {
        QTreeWidgetItem* node = ui_->NTCTreeView1->currentItem();
        if (AddonWindowLoading || !node) return;
        if (node->childCount() > 0 || !node->parent()) {
            NullText();
            return;
        }
        if (node->text(0) == ui_->NTCLabeledEdit4->text()) return;
        const AgentResultText accepted = ReadAcceptedAddonList();
        if (!accepted.read()) return;
        const AddonEntry entry = ListEntry(accepted.text, node->text(0).toStdString());
        ui_->NTCLabeledEdit4->setText(node->text(0));
        ui_->NTCLabeledEdit3->setText(Qt(entry.size));
        ui_->NTCLabeledEdit2->setText(Qt(entry.date));
        ui_->NTCLabeledEdit1->setText(Qt(entry.version));
        ui_->NTCText->setText(Qt(entry.englishText));
        ui_->NTCText->setToolTip(Qt(entry.russianText));
        // Texts from the network are plain text, never markup.
        ui_->NTCMemo1->setPlainText(ui_->NTCComboBox1->currentIndex() == 0 ? Qt(entry.englishText)
                                                                           : Qt(entry.russianText));
        ui_->NTCURL->setText(Qt(entry.russianLink));
        ui_->NTCURL->setToolTip(Qt(entry.englishLink));
        ui_->Button1->setEnabled(true);
    });
}

void TUFormAutoComponents::NTCComboBox1Change() {
    Guard("UAC.010-01", [&] {
        if (!ui_->Button1->isEnabled()) return;
        ui_->NTCMemo1->setPlainText(ui_->NTCComboBox1->currentIndex() == 0 ? ui_->NTCText->text()
                                                                           : ui_->NTCText->toolTip());
    });
}

void TUFormAutoComponents::Button1Click() {
    Guard("UAC.009-01", [&] {
        const QString page = ui_->NTCComboBox1->currentIndex() == 0 ? ui_->NTCURL->toolTip() : ui_->NTCURL->text();
        // An address from the list opens only as a web or mail page, never as a file; a refusal is
        // no failure of the program.
        OpenPageLink(page.toStdString());
    });
}

void TUFormAutoComponents::CheckBox7Click() {
    Guard("UAC.013-01", [&] {
        const bool on = ui_->CheckBox7->isChecked();
        ui_->NTCComboBox4->setEnabled(on);
        ui_->CheckBox1->setEnabled(on);
        ChangeStatus(1);
    });
}

void TUFormAutoComponents::Button2Click() {
    Guard("UAC.015-01", [&] {
        ChangeStatus(0);
        ui_->Button2->setEnabled(false);
        LaunchCheckUAC(true);
    });
}

void TUFormAutoComponents::Button3Click() {
    Guard("UAC.004-01", [&] {
        AddonCheckEnabled = ui_->CheckBox7->isChecked();
        AddonCheckOnlineOnly = ui_->CheckBox1->isChecked();
        AddonIntervalIndex = ui_->NTCComboBox4->currentIndex();
        SaveSettingsUAC();
        close();
    });
}

void TUFormAutoComponents::Button4Click() {
    Guard("UAC.005-01", [&] { close(); });
}

void TUFormAutoComponents::UFrameHlpBtn1BitBtn1Click() {
    Guard("UAC.001-01", [&] { focusNextChild(); });
}

void TUFormAutoComponents::closeEvent(QCloseEvent* event) {
    if (!closed_) {
        closed_ = true;
        Guard("UAC.003-01", [&] {
            AddonWindowShown = false;
            if (const auto& services = CurrentAddonWindowServices(); services.refreshHelpMenu)
                services.refreshHelpMenu(this);
        });
    }
    event->accept();
}

void TUFormAutoComponents::ChangeStatus(int mode) {
    Guard("UAC.017-01", [&] {
        QString text;
        switch (AddonStatusFor(mode, ui_->CheckBox7->isChecked())) {
            case AddonStatus::NoAgent: text = ui_->StatusAU1->text(); break;
            case AddonStatus::Checking: text = ui_->StatusAU1->toolTip(); break;
            case AddonStatus::LastCheck: {
                std::string date = LastCheckDateText(kAddonPrefix);
                if (date.empty()) date = ui_->Label9->toolTip().toStdString();
                text = Qt(FillPlaceholders(ui_->StatusAU6->toolTip().toStdString(), {date}, "s"));
                break;
            }
            case AddonStatus::Off: text = ui_->StatusAU6->text(); break;
        }
        ui_->NTCPanel2->setText(" " + text);
        FitStatusLine();
    });
}

void TUFormAutoComponents::FitStatusLine() {
    // The line has the window's width; a text longer than that (the date, a translation) is shown
    // whole in a smaller font rather than cut off.
    QLabel* line = ui_->NTCPanel2;
    QFont font = this->font();
    const int room = line->contentsRect().width() - 2 * line->margin();
    for (qreal size = font.pointSizeF(); size > 5; size -= 0.5) {
        font.setPointSizeF(size);
        if (QFontMetrics(font).horizontalAdvance(line->text()) <= room) break;
    }
    line->setFont(font);
}

void TUFormAutoComponents::CheckEndChecked() {
    Guard("UAC.016-01", [&] {
        ui_->Button2->setEnabled(true);
        ChangeStatus(1);
    });
}

}  // namespace kestrune
