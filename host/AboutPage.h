#pragma once
// The About window's picture page: a MIME HTML archive (an HTML part and its pictures) kept among
// the program's resources. It is shown in a SafePageDocument, which loads nothing but the archive's
// own pictures.

#include <QString>
#include <map>
#include <optional>
#include <string>

namespace kestrune {

// Pages larger than this are not shown.
constexpr std::size_t kAboutPageLimit = 1024 * 1024;

struct AboutPageArchive {
    QString html;                         // the HTML part, decoded by its charset
    std::map<QString, QByteArray> parts;  // the other parts by Content-Location, decoded
};

// Reads an archive: "multipart/related" with its boundary, each part's Content-Type,
// Content-Transfer-Encoding (quoted-printable, base64, 7bit/8bit) and Content-Location; an HTML
// part in windows-1251 or UTF-8. A plain HTML file is taken as the page without parts. Nothing
// when the text is empty, larger than kAboutPageLimit or holds no HTML.
std::optional<AboutPageArchive> ParseAboutPage(const std::string& bytes);

// The stored page: the archive compiled into the program, or what a test put in its place.
// Nothing when it cannot be read.
std::optional<std::string> StoredAboutPage();
// Tests replace the stored page; std::nullopt stands for a page that cannot be read. Answers
// nothing further; ResetAboutPageForTesting returns to the compiled page.
void SetAboutPageForTesting(std::optional<std::string> bytes);
void ResetAboutPageForTesting();

}  // namespace kestrune
