#pragma once
// The calling program's settings window: the update settings frame and four buttons that hand
// over to the start-up services. It holds no settings logic of its own.

#include <QDialog>
#include <QPointer>
#include <memory>

namespace Ui {
class TFormSettings;
}

namespace kestrune {

class TUFrame1;

class TFormSettings : public QDialog {
    Q_OBJECT
public:
    // Runs FormCreate. The window frees itself when it closes.
    explicit TFormSettings(QWidget* parent = nullptr);
    ~TFormSettings() override;

    TUFrame1* UFrame11 = nullptr;

    void FormCreate();
    void ButtonOkClick();
    void ButtonCancelClick();
    void UFrame11Button2Click();
    void Button6Click();
    void Button1Click();
    void FormClose();

    // Esc is the Cancel button.
    void reject() override;

protected:
    // A close from neither button neither saves nor reloads; a close that the window system
    // asks for (the window manager's close box or keys) is the Esc key, that is Cancel.
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildTabOrder();
    std::unique_ptr<Ui::TFormSettings> ui_;
    bool closed_ = false;
};

// The window that a settings job has open, or nullptr.
extern QPointer<TFormSettings> FormSettings;

}  // namespace kestrune
