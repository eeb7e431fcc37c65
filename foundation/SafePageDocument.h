#pragma once
// A document for pages that come from outside the program (a stored page, a downloaded message):
// it shows their markup but loads nothing the markup names, no local file and no network address.
// Pictures come only from the parts handed to it, by their exact address.

#include <QByteArray>
#include <QString>
#include <QTextDocument>
#include <map>

namespace kestrune {

class SafePageDocument : public QTextDocument {
    Q_OBJECT
public:
    explicit SafePageDocument(QObject* parent = nullptr) : QTextDocument(parent) {}
    // The page and the pictures it may show, by address ("file:///logo.gif").
    void SetPage(const QString& html, std::map<QString, QByteArray> pictures = {});

protected:
    QVariant loadResource(int type, const QUrl& name) override;

private:
    std::map<QString, QByteArray> pictures_;
};

}  // namespace kestrune
