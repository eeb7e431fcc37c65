#include "host/About.h"

#include <QPushButton>
#include <QVBoxLayout>

namespace kestrune {

// Placeholder until the About window lands: its name, caption and Ok button only.
TUFormAbout::TUFormAbout(QWidget* parent) : QDialog(parent) {
    setObjectName("UFormAbout");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString::fromUtf8("О программе..."));
    auto* layout = new QVBoxLayout(this);
    auto* ok = new QPushButton("Ok", this);
    ok->setObjectName("ButtonOk");
    layout->addWidget(ok);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace kestrune
