#pragma once
// The invisible host window: it reads the seven parameters into the calling program's values
// (CallerValues.h), merges them with the stored ones, runs the start-up services and, from its
// 100 ms job timer, the one job the parameters ask for.

#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "host/CallerValues.h"

class QAction;
class QMenu;
class QTimer;

namespace Ui {
class TFormKestrune;
}

namespace kestrune {

class TUFrameIncludePanel;

class TFormKestrune : public QWidget {
    Q_OBJECT
public:
    // Runs FormCreate. params[0] is the program, params[1..7] the positional parameters.
    explicit TFormKestrune(const std::vector<std::string>& params);
    ~TFormKestrune() override;

    bool FirstChooseDone = false;
    bool CloseAtStart = false;
    bool PaintedOnce = false;
    // FormCreate took the "uninstall" way out: nothing else of the start runs.
    bool UninstallStart = false;
    // The merged program name or version could not be used in a path: the start ends unused.
    bool StartRefused = false;

    TUFrameIncludePanel* UFrameIncludePanel1 = nullptr;
    QWidget* UFrameHlpBtn1 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QMenu* NTCLanguage1 = nullptr;
    QMenu* N9 = nullptr;
    QMenu* N70 = nullptr;
    QAction* N71 = nullptr;
    QTimer* Timer1 = nullptr;

    void FormCreate(const std::vector<std::string>& params);
    void FormShow();
    void FormPaint();
    void Timer1Timer();
    void FormClose();
    void N71Click();
    void UFrameHlpBtn1BitBtn1Click(QWidget* sender);

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateMenus();
    std::unique_ptr<Ui::TFormKestrune> ui_;
    bool shownOnce_ = false;
};

}  // namespace kestrune
