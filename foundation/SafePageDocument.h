#pragma once
// A document for pages that come from outside the program (a stored page, a downloaded message):
// it shows their markup but opens nothing the markup names, no local file and no network address.
// Every resource a page names is answered by the document itself: a picture from the parts handed
// to it (by its exact address), any other picture as a blank placeholder, a style sheet as an
// empty one.
//
// A page reaches Qt only as the markup of RebuildPage (foundation/PageWriter.h), which bounds its
// cost: nesting, elements, table grids, runs without a break, combining marks and the page's
// height; a page beyond the bounds is shown as its plain text.

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
