#pragma once
// A hidden memo whose click handler doubles as a stored callback: the language and help menu
// items made at run time fire the handler of the memo that holds it, with the item as sender.
// The memo's lines are not used; the lists themselves live in the language processor.

#include <QPlainTextEdit>

namespace kestrune {

class TClickMemo : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TClickMemo(QWidget* parent = nullptr);

    // Runs whatever is bound to Clicked, as the memo's OnClick with this sender would.
    void Click(QObject* sender);

signals:
    void Clicked(QObject* sender);
};

}  // namespace kestrune
