#pragma once
// The first-run language choice: a small topmost window that asks once for the interface
// language when no valid language is stored. Creating it also builds the list of offered
// languages and reads the language settings, whether or not it then asks anything.

#include <QDialog>
#include <memory>

class QComboBox;
class QPushButton;

namespace Ui {
class TUFormFirstChoose;
}

namespace kestrune {

class TextFit;

class TUFormFirstChoose : public QDialog {
    Q_OBJECT
public:
    explicit TUFormFirstChoose(QWidget* parent = nullptr);
    ~TUFormFirstChoose() override;

    QComboBox* ComboBox1 = nullptr;
    QPushButton* Button3 = nullptr;

    // Builds the lists, decides whether to ask, and asks modally. Closed without its button,
    // the window leaves the stored language, or Russian when none is stored, for this run only.
    void FormCreate();
    // Closes the window when nothing is to be asked; keeps it on top.
    void FormPaint();
    // Takes the chosen language and stores it.
    void Button3Click();

protected:
    // A new font (another DPI) fits the texts again.
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    // The window frees itself when it is closed.
    void closeEvent(QCloseEvent* event) override;

private:
    // The layout's client area, or more where a text in the font actually used needs it.
    void FitTexts();

    std::unique_ptr<Ui::TUFormFirstChoose> ui_;
    std::unique_ptr<TextFit> fit_;
};

// Created at the first showing of the host window when the command line names no language;
// returns once the choice, if any was asked, is made.
void CreateFirstChooseWindow(QWidget* owner);

}  // namespace kestrune
