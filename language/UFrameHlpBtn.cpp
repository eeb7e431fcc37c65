#include "language/UFrameHlpBtn.h"

#include <QAction>
#include <QActionGroup>
#include <QCursor>
#include <QMenu>

#include "foundation/ShellOpen.h"
#include "foundation/core/Guard.h"
#include "language/ClickMemo.h"
#include "language/Components.h"
#include "language/LangProcessor.h"
#include "language/LanguageMenus.h"
#include "language/pack/LanguagePack.h"
#include "platform/AsciiText.h"
#include "ui_TUFrameHlpBtn.h"

namespace kestrune {

namespace {

QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

TUFrameHlpBtn::TUFrameHlpBtn(QWidget* parent) : TUFrame(parent), ui_(std::make_unique<Ui::TUFrameHlpBtn>()) {
    ui_->setupUi(this);
    HlpBtn = ui_->HlpBtn;
    BitBtn1 = ui_->BitBtn1;
    NTCProHlp = ui_->NTCProHlp;
    PopupMenu3 = new QMenu(this);
    PopupMenu3->setObjectName("PopupMenu3");
    connect(HlpBtn, &QToolButton::clicked, this, &TUFrameHlpBtn::HlpBtnClick);
    connect(BitBtn1, &QPushButton::clicked, this, &TUFrameHlpBtn::BitBtn1Click);
    connect(NTCProHlp, &TClickMemo::Clicked, this, &TUFrameHlpBtn::NTCProHlpClick);
}

TUFrameHlpBtn::~TUFrameHlpBtn() = default;

void TUFrameHlpBtn::HlpBtnClick() {
    // Only a page that ShellOpen accepts (a file inside the program folder) is handed over.
    Guard("UHB.001-01", [&] { ShellOpen(HelpIndexPath, 5); });
}

void TUFrameHlpBtn::BitBtn1Click() {
    Guard("UHB.002-01", [&] { PopupMenu3->popup(QCursor::pos()); });
}

void TUFrameHlpBtn::InitPopUpMenu(QObject*) {
    Guard("UHB.004-01", [&] {
        for (QAction* item : PopupMenu3->actions()) {
            PopupMenu3->removeAction(item);
            delete item;
        }
        delete PopupMenu3->findChild<QActionGroup*>("HelpLanguageItems", Qt::FindDirectChildrenOnly);
        auto* group = new QActionGroup(PopupMenu3);
        group->setObjectName("HelpLanguageItems");
        group->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
        for (const std::string& language : HelpLanguageFolders()) {
            auto* item = new QAction(FromUtf8(language).replace('&', "&&"), PopupMenu3);
            item->setObjectName(FromUtf8(language));
            item->setProperty(kLanguageItemProperty, FromUtf8(language));
            item->setProperty(kRuntimeItemProperty, true);
            item->setCheckable(true);
            group->addAction(item);
            PopupMenu3->addAction(item);
            connect(item, &QAction::triggered, this, [this, item] { ChangePopUpMenu(item); });
        }
        for (QAction* item : PopupMenu3->actions()) {
            if (ItemLanguage(item) != HelpLanguage) continue;
            item->setChecked(true);
            HelpIndexPath = HelpIndexPathOf(HelpLanguage);
        }
    });
}

void TUFrameHlpBtn::ChangePopUpMenu(QObject*) {
    Guard("UHB.003-01", [&] {
        std::string chosen;
        for (QAction* item : PopupMenu3->actions()) {
            if (item->isChecked()) chosen = ItemLanguage(item);
        }
        if (chosen.empty()) {
            // The click unticked the current help language: it stays.
            chosen = HelpLanguage;
            for (QAction* item : PopupMenu3->actions()) {
                if (platform::AsciiLower(ItemLanguage(item)) == platform::AsciiLower(chosen)) item->setChecked(true);
            }
        }
        HelpLanguage = chosen;
        HelpIndexPath = HelpIndexPathOf(HelpLanguage);
        SaveLanguageSettings();
    });
}

void TUFrameHlpBtn::NTCProHlpClick(QObject* sender) {
    Guard("UHB.005-01", [&] {
        const std::string language = ItemLanguage(sender);
        if (language.empty()) return;
        ShellOpen(HelpIndexPathOf(language), 5);
    });
}

}  // namespace kestrune
