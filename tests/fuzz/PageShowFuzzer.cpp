// Any bytes as a message page, through the whole path: rebuilt by the page writer and laid out in
// the page document at the message window's width. A page that takes long is a failure: the
// fuzzer runs with a time limit per input (tools/test.sh: -timeout=2). The laid-out page is never
// taller than Qt's layout can take.
#include <QAbstractTextDocumentLayout>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "foundation/SafePageDocument.h"

namespace {

// The message window's page pane.
constexpr int kPaneWidth = 654;
constexpr int kPaneHeight = 384;

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication application(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString page = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    kestrune::SafePageDocument document;
    document.SetPage(page, {{"file:///logo.gif", QByteArray()}});
    document.setTextWidth(kPaneWidth);
    const QSizeF laidOut = document.documentLayout()->documentSize();
    Check(laidOut.height() < (1 << 23));
    // The pane's first screen, as the window paints it.
    QImage screen(kPaneWidth, kPaneHeight, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&screen);
    document.drawContents(&painter, QRectF(0, 0, kPaneWidth, kPaneHeight));
    return 0;
}
