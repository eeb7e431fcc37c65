#pragma once
// The hidden carrier frames of the include panel. They hold no visible interface: their labels
// carry message texts under component names, so that the translation reaches them like any
// window, and after every change of language they copy the translated texts into the
// program-wide message texts the other parts show. TUFrameLangComponents carries, in the click
// handlers of its memos, the handlers of the language menu items.

#include <functional>
#include <memory>
#include <string>

#include "language/TUFrame.h"

class QLabel;

namespace Ui {
class TUFrameLangComponents;
class TUFrameTUAU;
class TUFrameUProcedures;
}  // namespace Ui

namespace kestrune {

class TClickMemo;

class TUFrameLangComponents : public TUFrame {
    Q_OBJECT
public:
    explicit TUFrameLangComponents(QWidget* parent = nullptr);
    ~TUFrameLangComponents() override;

    // MChoseLan: the working list's memo; its handler is the include panel's re-translation.
    // MDefaultlan, MLanCapt, MLanProc hold the handlers of the language items placed under a
    // menu item, at the top of a popup menu, and in the grouped form.
    TClickMemo* MChoseLan = nullptr;
    TClickMemo* MDefaultlan = nullptr;
    TClickMemo* MLanCapt = nullptr;
    TClickMemo* MLanProc = nullptr;

    // A language item was clicked (sender: the item): choose its language, or tick the current
    // language's item again when the click unticked it.
    void MLanProcClick(QObject* sender);
    void MLanCaptClick(QObject* sender);
    void MDefaultlanClick(QObject* sender);

private:
    std::unique_ptr<Ui::TUFrameLangComponents> ui_;
};

// The six status texts of the new-version check, in the order of the labels StatusAU1..6.
struct UpdateStatusTexts {
    std::string noChecker;     // the checking module is missing
    std::string querying;      // the check is being queried
    std::string newVersion;    // a new version is out
    std::string unknown;       // no date known
    std::string noNewVersion;  // no new version; "%s" takes the date of the last check
    std::string disabled;      // the check is switched off
};

// The new-version check fills this hook: it receives the texts of the new language after every
// change, together with the querying text of the language before it (so that a status line that
// shows "querying" can be told from any other and rebuilt in the new language). Answers the
// handler it replaced.
using UpdateStatusTextsHandler =
    std::function<void(const UpdateStatusTexts& texts, const std::string& previousQuerying)>;
UpdateStatusTextsHandler SetUpdateStatusTextsHandler(UpdateStatusTextsHandler handler);
// The texts as the carrier copied them last (empty before the first copy).
const UpdateStatusTexts& CarriedUpdateStatusTexts();

class TUFrameTUAU : public TUFrame {
    Q_OBJECT
public:
    explicit TUFrameTUAU(QWidget* parent = nullptr);
    ~TUFrameTUAU() override;

    QLabel* StatusAU1 = nullptr;
    QLabel* StatusAU2 = nullptr;
    QLabel* StatusAU3 = nullptr;
    QLabel* StatusAU4 = nullptr;
    QLabel* StatusAU5 = nullptr;
    QLabel* StatusAU6 = nullptr;

    // Copies the six captions into the status texts and hands them to the new-version check.
    void StatusAU1Click(QObject* sender);

private:
    std::unique_ptr<Ui::TUFrameTUAU> ui_;
};

class TUFrameUProcedures : public TUFrame {
    Q_OBJECT
public:
    explicit TUFrameUProcedures(QWidget* parent = nullptr);
    ~TUFrameUProcedures() override;

    QLabel* MsgSettingsError = nullptr;  // the settings-repaired text ("%s", "%d", "%d")
    QLabel* MsgSErrorCaption = nullptr;  // its caption
    QLabel* Label12 = nullptr;           // the add-on notice (hint: its caption)
    QLabel* Label13 = nullptr;           // the question added to it
    QLabel* Label1 = nullptr;            // the autostart notice: caption and hint, read where shown
    QLabel* AboutProgram = nullptr;      // the program description of the About window

    // Copies the settings-repaired and add-on texts into the shared message texts.
    void MsgSErrorCaptionClick(QObject* sender);

private:
    std::unique_ptr<Ui::TUFrameUProcedures> ui_;
};

}  // namespace kestrune
