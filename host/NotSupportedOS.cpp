#include "host/NotSupportedOS.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "foundation/Application.h"

namespace kestrune {

// Placeholder until the not-supported window lands: its memos and the Ok button that ends the run.
TUFormNotSupportedOS::TUFormNotSupportedOS(QWidget* parent) : QDialog(parent) {
    setObjectName("UFormNotSupportedOS");
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    Memo2 = new QPlainTextEdit(this);
    Memo2->setObjectName("Memo2");
    Memo2->setReadOnly(true);
    Memo3 = new QPlainTextEdit(QStringLiteral("s1\ns2"), this);
    Memo3->setObjectName("Memo3");
    Memo3->setReadOnly(true);
    auto* ok = new QPushButton("&Ok", this);
    ok->setObjectName("ButtonOk");
    layout->addWidget(Memo2);
    layout->addWidget(Memo3);
    layout->addWidget(ok);
    connect(ok, &QPushButton::clicked, this, [] { TerminateApplication(); });
}

}  // namespace kestrune
