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
class TextFit;

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
    // A change of font fits the texts again.
    void changeEvent(QEvent* event) override;

private:
    // The window's client size as FormCreate sets it, before its texts are fitted.
    void SetClientSize(int width, int height);

    std::unique_ptr<Ui::TUFormAbout> ui_;
    // Texts grow to the font actually used; the layout's sizes are the least sizes.
    std::unique_ptr<TextFit> fit_;
    SafePageDocument* page_ = nullptr;
    int clientWidth_ = 0;
    int clientHeight_ = 0;
};

}  // namespace kestrune
