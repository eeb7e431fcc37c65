// The calling program's icon in the check windows: read only from a plain file of a sensible size,
// whatever the caller named.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QApplication>
#include <QBuffer>
#include <QIcon>
#include <QImage>
#include <cstdint>
#include <filesystem>
#include <functional>

#include "checks/CallerIcon.h"
#include "foundation/UnitVAR.h"
#include "tests/support/TestSupport.h"

namespace {

std::string PngOf(Qt::GlobalColor color) {
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes.toStdString();
}

// A Windows icon file with a picture of each size: the one that fits is shown.
std::string IcoOf(Qt::GlobalColor small, Qt::GlobalColor large) {
    std::string entries, pictures;
    const std::string header("\0\0\1\0\2\0", 6);
    std::uint32_t offset = 6 + 2 * 16;
    for (const auto& [side, color] : {std::pair{16, small}, std::pair{32, large}}) {
        QImage image(side, side, QImage::Format_ARGB32);
        image.fill(color);
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        auto le = [](std::uint32_t v, int n) {
            std::string out;
            for (int i = 0; i < n; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
            return out;
        };
        entries += le(side, 1) + le(side, 1) + le(0, 2) + le(1, 2) + le(32, 2) + le(png.size(), 4) + le(offset, 4);
        pictures += png.toStdString();
        offset += png.size();
    }
    return header + entries + pictures;
}

TEST(CallerIcon, OnlyAPlainFileOfASensibleSizeIsRead) {
    enum class Shows { ItsPicture, ProgramIcon, DesignPicture };
    struct Case {
        const char* label;
        std::function<void(const std::string&)> make;
        Shows shows;
    };
    const std::vector<Case> cases{
        {"a picture", [](const std::string& p) { testsupport::WriteFile(p, PngOf(Qt::green)); }, Shows::ItsPicture},
        {"an icon file of two sizes",
         [](const std::string& p) { testsupport::WriteFile(p, IcoOf(Qt::blue, Qt::green)); }, Shows::ItsPicture},
        {"no picture", [](const std::string& p) { testsupport::WriteFile(p, "text"); }, Shows::ProgramIcon},
        {"a picture beyond 4 MiB",
         [](const std::string& p) { testsupport::WriteFile(p, PngOf(Qt::green) + std::string(4u << 20, '\0')); },
         Shows::ProgramIcon},
        {"a pipe", [](const std::string& p) { ASSERT_EQ(mkfifo(p.c_str(), 0600), 0); }, Shows::DesignPicture},
        {"a folder", [](const std::string& p) { std::filesystem::create_directories(p); }, Shows::DesignPicture},
        {"missing", [](const std::string&) {}, Shows::DesignPicture},
    };
    const QIcon programIcon = QApplication::windowIcon();
    QImage red(32, 32, QImage::Format_ARGB32);
    red.fill(Qt::red);
    QApplication::setWindowIcon(QIcon(QPixmap::fromImage(red)));
    testsupport::ScratchFolder scratch;
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        kestrune::IconPath = scratch / ("icon" + std::to_string(n++) + ".png");
        c.make(kestrune::IconPath);
        const QPixmap shown = kestrune::CallerIconPixmap(32);
        if (c.shows == Shows::DesignPicture) {
            EXPECT_TRUE(shown.isNull());
            continue;
        }
        ASSERT_FALSE(shown.isNull());
        EXPECT_EQ(shown.toImage().pixelColor(8, 8), c.shows == Shows::ItsPicture ? QColor(Qt::green) : QColor(Qt::red));
    }
    kestrune::IconPath.clear();
    QApplication::setWindowIcon(programIcon);
}

}  // namespace
