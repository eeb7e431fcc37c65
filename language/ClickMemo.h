#pragma once
// A hidden memo whose click handler doubles as a stored callback: the language and help menu
// items made at run time fire the handler of the memo that holds it, with the item as sender.
// It is never shown, so it is a plain widget with Lines and no text document: a document would
// load the font database and a font engine the moment the memo is made, long before any window
// paints a text. The translation reads and sets its Lines like any memo's.

#include <QStringList>
#include <QWidget>

namespace kestrune {

class TClickMemo : public QWidget {
    Q_OBJECT
public:
    explicit TClickMemo(QWidget* parent = nullptr);

    // The memo's lines, one list entry each however long it is.
    const QStringList& Lines() const { return lines_; }
    void SetLines(const QStringList& lines) { lines_ = lines; }

    // Runs whatever is bound to Clicked, as the memo's OnClick with this sender would.
    void Click(QObject* sender);

signals:
    void Clicked(QObject* sender);

private:
    QStringList lines_;
};

}  // namespace kestrune
