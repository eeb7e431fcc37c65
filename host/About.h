#pragma once
// The About window.

#include <QDialog>

namespace kestrune {

class TUFormAbout : public QDialog {
    Q_OBJECT
public:
    explicit TUFormAbout(QWidget* parent = nullptr);
};

}  // namespace kestrune
