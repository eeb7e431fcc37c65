#pragma once
// The add-on list window: the accepted list as a tree, an entry's details and download page, the
// check's settings and its check-now button. The check itself is checks/AddonCheck.

#include <QDialog>
#include <memory>

#include "checks/AddonCheck.h"
#include "foundation/UniversalProcedures.h"

namespace Ui {
class TUFormAutoComponents;
}

namespace kestrune {

class TUFormAutoComponents : public QDialog, public AddonListWindow {
    Q_OBJECT
public:
    // Runs FormCreate. The window frees itself when it closes.
    explicit TUFormAutoComponents(QWidget* parent = nullptr);
    ~TUFormAutoComponents() override;

    void FormCreate();
    void CreateTreeView() override;
    void NullText() override;
    void NTCTreeView1Click();
    void NTCComboBox1Change();
    void Button1Click();  // opens the download page
    void CheckBox7Click();
    void Button2Click();  // check now
    void Button3Click();  // OK
    void Button4Click();  // Cancel
    void UFrameHlpBtn1BitBtn1Click();
    void ChangeStatus(int mode);
    void CheckEndChecked() override;
    QWidget* Widget() override { return this; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void FitStatusLine();

    std::unique_ptr<Ui::TUFormAutoComponents> ui_;
    QWidget* helpFrame_ = nullptr;
    bool closed_ = false;
};

}  // namespace kestrune
