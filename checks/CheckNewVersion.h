#pragma once
// The new-version window: the version, date, size and changes of a new version of the calling
// program, read from the description the agent left in the settings folder, with a button that
// opens the download page and the choices not to be reminded again or to be reminded later.
//
// The description's lines are those of checks/NewVersionDescription.h. The page is opened only
// when it is an http or https address with a host; anything else is shown as text.

#include <QDialog>
#include <memory>
#include <string>

namespace Ui {
class TUFormNewVerExists;
}

namespace kestrune {

extern std::string DownloadPageUrl;  // line 3 of the description read last
extern bool CloseNewVersionOnPaint;  // the description was unreadable: the first paint closes
// The window keeps NewVersionWindowOpen (checks/NewVersionRunState.h) while it exists.

// Creates the window, brings it to the front and shows it modally under BusyFlag (ShowFormModal;
// the window translates itself as it is created).
void ShowNewVersionWindow();

class TUFormNewVerExists : public QDialog {
    Q_OBJECT
public:
    explicit TUFormNewVerExists(QWidget* parent = nullptr);
    ~TUFormNewVerExists() override;

    // Reads the description of the language suffix ("Eng" or empty) into the window; false when
    // line 4 is not a size (both descriptions are then deleted).
    bool ReadFile(const std::string& langSuffix);
    std::string GetNewVersionLangSuffix();

    void Button1Click();  // do not remind again
    void Button2Click();  // remind later
    void Button3Click();  // open the download page
    void NTCComboBox1Change();

    Ui::TUFormNewVerExists* ui() const { return ui_.get(); }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override {}  // no Esc way out: one of the three buttons ends the window

private:
    void FormCreate();
    void FormPaint();
    std::unique_ptr<Ui::TUFormNewVerExists> ui_;
};

}  // namespace kestrune
