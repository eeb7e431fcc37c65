#pragma once
// The new-version window: the version, date, size and changes of a new version of the calling
// program, read from the description the agent left in the settings folder, with a button that
// opens the download page and the choices not to be reminded again or to be reminded later.
//
// Description lines: 1 the version, 2 the date, 3 the download page, 4 the size in kilobytes (a
// 32-bit decimal integer), 5 and on the changes. The page is opened only when it is an http or
// https address with a host; anything else is shown as text.

#include <QDialog>
#include <memory>
#include <string>
#include <vector>

namespace Ui {
class TUFormNewVerExists;
}

namespace kestrune {

extern std::string DownloadPageUrl;  // line 3 of the description read last
extern bool CloseNewVersionOnPaint;  // the description was unreadable: the first paint closes
extern bool NewVersionWindowOpen;    // the window exists

enum class DescriptionCheck {
    Newer,     // a description of a newer version (or of a version that cannot be compared)
    NotNewer,  // it names this program's own version or an older one
    Unusable,  // not a description: missing, too large, fewer than four lines, no size or version
};
// Judges a description file before it is announced. The running version is the part of the file
// prefix after its last "_".
DescriptionCheck CheckDescriptionFile(const std::string& path);

// Fills each "%s" of a translated format with the next value; "%%" is "%". False (result
// untouched) for any other conversion or too few values: a format is never handed to printf.
bool FillTextFormat(const std::string& format, const std::vector<std::string>& values, std::string& result);

// "1.50": kilobytes as megabytes with two decimals, truncated.
std::string MegabyteText(int kilobytes);
// Compares dotted version numbers; false when either is not one.
bool VersionIsNewer(const std::string& candidate, const std::string& current, bool& comparable);

// Creates the window, brings it to the front and shows it modally under BusyFlag.
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
