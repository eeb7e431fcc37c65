#pragma once
// The About window: the picture page, the program's name, version and description, the oldest
// supported system, the translator of the current pack, and links to the site and the author.

#include <QDialog>
#include <memory>

namespace Ui {
class TUFormAbout;
}

class QLabel;

namespace kestrune {

class SafePageDocument;

// The program's site, shown by its link label and opened by it; the author's mail link uses
// kDeveloperAddress.
inline constexpr const char* kSiteHost = "kestrune.example.org";

class TUFormAbout : public QDialog {
    Q_OBJECT
public:
    // Runs FormCreate. The window frees itself when it closes.
    explicit TUFormAbout(QWidget* parent = nullptr);
    ~TUFormAbout() override;

    void FormCreate();
    void ButtonOkClick();
    void NTCLabelHTTPClick();
    void NTCLabelEMailClick();
    void NTC1Label5Click();
    void NTC1Label8Click();
    void FormMouseMove();
    // A link label turns red under the mouse.
    void LinkMouseMove(QLabel* link, const char* code);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::unique_ptr<Ui::TUFormAbout> ui_;
    SafePageDocument* page_ = nullptr;
};

}  // namespace kestrune
