#pragma once
// The host window's hidden include panel. It lives for the whole run and carries the language
// processor's carrier frames, the check timers, the work-time counter and the time-zone notice;
// its handlers are the periodic drivers of the program and the re-translation that follows every
// language load.

#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <cstdint>
#include <memory>

#include "language/CarrierFrames.h"
#include "language/TUFrame.h"

namespace Ui {
class TUFrameIncludePanel;
}

namespace kestrune {

class TUFrameIncludePanel : public TUFrame {
    Q_OBJECT
public:
    explicit TUFrameIncludePanel(QWidget* parent = nullptr);
    ~TUFrameIncludePanel() override;

    QLabel* Panel1 = nullptr;
    QLabel* Label1 = nullptr;  // the text of the time-zone notice
    // Frames may be freed while the run goes on; a freed one reads as none.
    QPointer<TUFrameLangComponents> FrameLangComponents1;
    QPointer<TUFrameUProcedures> FrameUProcedures1;
    QPointer<TUFrameTUAU> FrameTUAU1;

    // The check timers carry the phase of their check: stopped is idle, 500 ms polls the agent's
    // ready flag, any other interval (10000 ms) waits for a connection before the agent starts.
    QTimer* TimerUCNV = nullptr;      // the new-version check
    QTimer* TimerWorkTime = nullptr;  // the running-time counter, every 60 s from creation on
    QTimer* TimerUCAC = nullptr;      // the add-on check
    QTimer* TimerUTZMSG = nullptr;    // the time-zone notice; nothing starts it

    // The new-version check's driver. While the settings window shows its update settings frame
    // the frame follows the check; otherwise the check's own entry is used.
    void TimerUCNVTimer(QObject* sender);
    // Adds the time since the previous tick to the running-time counter "TmpCnt".
    void TimerWorkTimeTimer(QObject* sender);
    void TimerUTZMSGTimer(QObject* sender);
    // The re-translation fan-out, run after every language load: the host window, the carrier
    // frames (which then copy their texts into the message texts), an open settings frame and
    // window, and the host's help controls.
    void FrameLangComponents1MChoseLanClick(QObject* sender);

private:
    std::unique_ptr<Ui::TUFrameIncludePanel> ui_;
    bool versionTickRunning_ = false;
    bool workTimeCounted_ = false;
    std::uint32_t lastWorkTick_ = 0;
};

}  // namespace kestrune
