#pragma once
// The help button frame: the help button opens the help index of the help language; the
// help-language button, shown when several help languages are offered, pops up their menu.
// Embedded as UFrameHlpBtn1 in the host window, the error window and the add-on list window.

#include <QPushButton>
#include <QToolButton>
#include <memory>

#include "language/TUFrame.h"

class QMenu;
class QObject;

namespace Ui {
class TUFrameHlpBtn;
}

namespace kestrune {

class TClickMemo;

class TUFrameHlpBtn : public TUFrame {
    Q_OBJECT
public:
    explicit TUFrameHlpBtn(QWidget* parent = nullptr);
    ~TUFrameHlpBtn() override;

    QToolButton* HlpBtn = nullptr;
    QPushButton* BitBtn1 = nullptr;
    // Holds the handler of the host's help-language menu items (NTCProHlpClick).
    TClickMemo* NTCProHlp = nullptr;
    QMenu* PopupMenu3 = nullptr;  // the help-language items, built at run time

    // Opens HelpIndexPath.
    void HlpBtnClick();
    // Pops PopupMenu3 up at the mouse cursor.
    void BitBtn1Click();
    // Rebuilds the help-language menu and checks the current help language.
    void InitPopUpMenu(QObject* sender);
    // A help-language item of PopupMenu3 was chosen.
    void ChangePopUpMenu(QObject* sender);
    // A help-language item of the host's help menu: opens that language's help index.
    void NTCProHlpClick(QObject* sender);

private:
    std::unique_ptr<Ui::TUFrameHlpBtn> ui_;
};

}  // namespace kestrune
