#include "language/LangProcessor.h"

#include <QFile>
#include <QPointer>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "foundation/core/Guard.h"
#include "foundation/core/PathNames.h"
#include "foundation/core/Printable.h"
#include "foundation/core/ProgramValues.h"
#include "language/Components.h"
#include "language/pack/LanguagePack.h"
#include "language/pack/PackFile.h"
#include "platform/AsciiText.h"
#include "platform/Executable.h"
#include "platform/FileSystem.h"

namespace kestrune {

std::string CurrentLanguage;
std::string HelpLanguage;
std::string HelpIndexPath;
bool HelpFound = false;
bool SeveralHelpLanguages = false;
std::string TranslatorName;
std::string TranslatorUrl;
std::string TranslatorMail;
bool LanguageDumpEnabled = false;
std::vector<std::string> BaseTexts;
std::vector<std::string> CaptureList;
std::vector<std::string> WorkingLanguageList;

namespace {

RetranslateHandler& Retranslate() {
    static RetranslateHandler handler;
    return handler;
}

std::string ProgramFolder() { return platform::ExecutableFolder() + "\\"; }

// Language and window names become folder names and file names ending in ".txt".
constexpr std::size_t kTxtSuffix = 4;

std::string JoinedForFile(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

// Writes a list to "<program folder>\DefLang\<name>.txt".
void SaveDump(const std::string& name, const std::vector<std::string>& lines) {
    if (!IsSafePathName(name, kTxtSuffix)) throw std::runtime_error("not a file name: " + Printable(name));
    const std::string folder = ProgramFolder() + "DefLang\\";
    platform::CreateDirectories(folder);
    const platform::IoResult written = platform::WriteFileAtomic(folder + name + ".txt", JoinedForFile(lines));
    if (!written) throw std::runtime_error(written.message);
}

std::string Utf8(const QString& text) { return text.toUtf8().toStdString(); }
QString FromUtf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

void AddEntryLines(std::vector<std::string>& target, const std::string& marker, const QStringList& lines) {
    target.push_back(marker);
    for (const QString& line : lines) target.push_back(Utf8(line));
}

void AddComponentEntry(const std::string& name, const QStringList& text, const QStringList& hint,
                       std::vector<std::string>& target) {
    Guard("ULP.001-01", [&] {
        if (!text.isEmpty()) AddEntryLines(target, "<|" + name + "|>", text);
        if (!hint.isEmpty()) AddEntryLines(target, "<|Hint-" + name + "|>", hint);
    });
}

// One component (or, with `window`, the window itself) in the pack format.
void DumpComponentTexts(const std::string& prefix, std::vector<std::string>& target, QObject* component, bool window) {
    const std::string name = Utf8(component->objectName());
    ComponentTexts texts;
    if (window) {
        auto* widget = static_cast<QWidget*>(component);
        texts.text = widget->windowTitle().isEmpty() ? QStringList() : QStringList{widget->windowTitle()};
        QString hint = widget->toolTip();
        if (!hint.isEmpty()) texts.hint = hint.remove(QLatin1Char('\r')).split(QLatin1Char('\n'));
    } else {
        texts = ReadComponentTexts(component);
    }
    if (prefix == "NTC") texts.text.clear();
    if (!name.empty() && (!texts.text.isEmpty() || !texts.hint.isEmpty())) {
        AddComponentEntry(name, texts.text, texts.hint, target);
    }
}

// The section of a window or frame in the pack format, appended to target.
void CaptureSection(QWidget* root, bool window, std::vector<std::string>& target) {
    target.push_back("[|" + Utf8(root->objectName()) + "|]");
    if (window) DumpComponentTexts("", target, root, true);
    for (QObject* component : OwnComponents(root)) {
        DumpComponentTexts(Utf8(component->objectName().left(3)), target, component, false);
    }
}

// A window or frame captured into the base texts again (a second settings window in one run)
// replaces its earlier section: two base sections of one name would take the place of the
// English one in the translation passes.
void DropBaseSection(const std::string& name) {
    const std::size_t first = langpack::FindNextSection(BaseTexts, 0, name);
    if (first == 0) return;
    const std::size_t last = langpack::FindSectionEnd(BaseTexts, first);
    BaseTexts.erase(BaseTexts.begin() + static_cast<std::ptrdiff_t>(first - 1),
                    BaseTexts.begin() + static_cast<std::ptrdiff_t>(last + 1));
}

void Capture(int mode, QWidget* root, bool window) {
    if (mode == 0 && !LanguageDumpEnabled) return;
    const bool intoBase = window && mode == 1;
    const std::string name = Utf8(root->objectName());
    if (mode == 1) DropBaseSection(name);
    std::vector<std::string>& target = intoBase ? BaseTexts : CaptureList;
    if (!intoBase) CaptureList.clear();
    CaptureSection(root, window, target);
    if (LanguageDumpEnabled) SaveDump(name, target);
    if (!window && mode == 1) BaseTexts.insert(BaseTexts.end(), CaptureList.begin(), CaptureList.end());
}

int PassCount(int mode) {
    const std::string language = platform::AsciiLower(CurrentLanguage);
    const int passes = language == "russian" ? 0 : language == "english" ? 1 : 2;
    return passes + (mode == 1 ? 1 : 0);
}

QStringList ToQt(const std::vector<std::string_view>& lines) {
    QStringList out;
    out.reserve(static_cast<qsizetype>(lines.size()));
    for (std::string_view line : lines) out << FromUtf8(line);
    return out;
}

// The window's own entry: its caption from the first line (with the product name put in), its
// hint from all lines.
void ApplyWindowEntry(QWidget* window, const langpack::SectionEntry& entry) {
    if (entry.hint) {
        QStringList lines = ToQt(entry.values);
        window->setToolTip(lines.join(QLatin1Char('\n')));
    } else {
        window->setWindowTitle(FromUtf8(langpack::ReplaceProductName(entry.values.front())));
    }
}

// The components of a window or frame by lower-cased name, looked up for every entry of its
// sections. Held in two flat arrays (open addressing, linear probing) rather than one node per
// name: a large window's lookups then stay in a few contiguous blocks of memory. Measured with the
// TranslateWindow rows of bench/language against std::unordered_map<std::string,
// std::vector<QObject*>>: a whole translation takes about 4 % fewer instructions with this table
// (callgrind: 18.6 against 19.3 million at 1000/20000, 74.3 against 77.3 million at 4000/80000),
// most of it in building the index, where the map allocates a node and a vector per name.
class ComponentIndex {
public:
    explicit ComponentIndex(QWidget* root) {
        const std::vector<QObject*> components = OwnComponents(root);
        named_.reserve(components.size());
        std::size_t slotCount = 16;
        while (slotCount < 2 * components.size()) slotCount *= 2;
        slots_.assign(slotCount, kNone);
        std::vector<int> last;  // per name: its latest component, where the next one is linked
        last.reserve(components.size());
        for (QObject* component : components) {
            std::string name = platform::AsciiLower(Utf8(component->objectName()));
            const std::size_t hash = std::hash<std::string>{}(name);
            const int added = static_cast<int>(named_.size());
            named_.push_back({std::move(name), hash, component, kNone});
            last.push_back(added);
            int& slot = slots_[SlotOf(named_.back().name, hash)];
            if (slot == kNone) {
                slot = added;
            } else {
                named_[static_cast<std::size_t>(last[static_cast<std::size_t>(slot)])].next = added;
                last[static_cast<std::size_t>(slot)] = added;
            }
        }
    }

    // The components of that lower-cased name, in component order.
    template <typename Visit>
    void ForEach(const std::string& name, Visit visit) const {
        const int first = slots_[SlotOf(name, std::hash<std::string>{}(name))];
        for (int i = first; i != kNone; i = named_[static_cast<std::size_t>(i)].next)
            visit(named_[static_cast<std::size_t>(i)].component);
    }

private:
    static constexpr int kNone = -1;
    struct Named {
        std::string name;
        std::size_t hash;
        QObject* component;
        int next;  // the following component of the same name, or kNone
    };

    // The slot that holds the first component of that name, or the empty slot where it belongs
    // (there is always one: the slots are at least twice the components).
    std::size_t SlotOf(const std::string& name, std::size_t hash) const {
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
            const int slot = slots_[i];
            if (slot == kNone) return i;
            const Named& named = named_[static_cast<std::size_t>(slot)];
            if (named.hash == hash && named.name == name) return i;
        }
    }

    std::vector<Named> named_;
    std::vector<int> slots_;  // index into named_ of a name's first component, or kNone
};

void ApplySection(const std::vector<std::string>& list, std::size_t first, std::size_t last, QWidget* root, bool window,
                  const ComponentIndex& index, const char* code) {
    Guard(code, [&] {
        const std::string ownName = platform::AsciiLower(Utf8(root->objectName()));
        for (const langpack::SectionEntry& entry : langpack::ReadSectionEntries(list, first, last)) {
            if (entry.name.empty() || entry.values.empty()) continue;
            const std::string name = platform::AsciiLower(entry.name);
            if (name == ownName) {
                if (window) ApplyWindowEntry(root, entry);
                continue;
            }
            QStringList lines;
            index.ForEach(name, [&](QObject* component) {
                if (lines.isEmpty()) lines = ToQt(entry.values);
                ApplyComponentLines(component, entry.hint, lines);
            });
        }
    });
}

void TranslateFrom(const std::vector<std::string>& list, int passes, QWidget* root, bool window, const char* walkCode) {
    if (passes == 0 || list.empty()) return;
    const std::string name = Utf8(root->objectName());
    const ComponentIndex index(root);
    std::size_t position = 0;
    for (int pass = 0; pass < passes; ++pass) {
        Guard("ULP.015-01", [&] { position = langpack::FindNextSection(list, position, name); });
        std::size_t end = 0;
        Guard("ULP.014-01", [&] { end = langpack::FindSectionEnd(list, position); });
        if (position == 0) continue;  // no further section: the next pass starts from the top again
        ApplySection(list, position, end, root, window, index, walkCode);
    }
}

void Translate(int mode, QWidget* root, bool window, const char* walkCode) {
    TranslateFrom(WorkingLanguageList, PassCount(mode), root, window, walkCode);
}

// The body of the English pack the program carries within itself, read once.
const std::vector<std::string>& BuiltInEnglishBody() {
    static const std::vector<std::string> body = [] {
        std::vector<std::string> lines;
        QFile file(QStringLiteral(":/language/English.txt"));
        if (!file.open(QIODevice::ReadOnly)) return lines;
        const QByteArray bytes = file.readAll();
        langpack::AppendPackBody(
            langpack::SplitLines(langpack::DecodePackText(std::string_view(bytes.constData(), bytes.size()),
                                                          langpack::LegacyCodePage::Cp1252)),
            lines, nullptr);
        return lines;
    }();
    return body;
}

// Windows translated once at creation that follow later changes of language, each with its
// design texts, which a later change applies first.
struct FollowedForm {
    QPointer<QWidget> form;
    std::vector<std::string> designTexts;
};
std::vector<FollowedForm>& FollowedForms() {
    static std::vector<FollowedForm> forms;
    return forms;
}

const ProgramValues languageValues([] {
    for (std::string* value :
         {&CurrentLanguage, &HelpLanguage, &HelpIndexPath, &TranslatorName, &TranslatorUrl, &TranslatorMail})
        value->clear();
    HelpFound = false;
    SeveralHelpLanguages = false;
    LanguageDumpEnabled = false;
    BaseTexts.clear();
    CaptureList.clear();
    WorkingLanguageList.clear();
    FollowedForms().clear();
    Retranslate() = nullptr;
});

}  // namespace

bool IsPlainLanguageName(std::string_view name) { return IsSafePathName(name, kTxtSuffix); }

std::string LanguageFolder() { return ProgramFolder() + "Language\\"; }

RetranslateHandler SetRetranslateHandler(RetranslateHandler handler) {
    return std::exchange(Retranslate(), std::move(handler));
}

std::string PackFolderOf(const std::string& language) {
    if (language != "English" && platform::AsciiLower(language) == "english" &&
        platform::FileAgeReadable(LanguageFolder() + "English\\English.txt"))
        return "English";
    return language;
}

std::string HelpIndexPathOf(const std::string& language) { return LanguageFolder() + language + "\\Help\\index.htm"; }

std::vector<std::string> HelpLanguageFolders() {
    std::vector<std::string> folders;
    for (const std::string& name : platform::ListDirectory(LanguageFolder())) {
        if (IsPlainLanguageName(name) && platform::FileAgeReadable(HelpIndexPathOf(name))) folders.push_back(name);
    }
    return folders;
}

void ChooseHelpIndex() {
    HelpIndexPath.clear();
    HelpFound = false;
    SeveralHelpLanguages = false;
    bool fallback = false;
    if (IsPlainLanguageName(CurrentLanguage) && platform::FileAgeReadable(HelpIndexPathOf(CurrentLanguage))) {
        HelpIndexPath = HelpIndexPathOf(CurrentLanguage);
    } else if (platform::FileAgeReadable(HelpIndexPathOf("English"))) {
        HelpIndexPath = HelpIndexPathOf("English");
        fallback = true;
    } else if (platform::FileAgeReadable(HelpIndexPathOf("Russian"))) {
        HelpIndexPath = HelpIndexPathOf("Russian");
        HelpLanguage = "Russian";
        fallback = true;
    }
    if (HelpIndexPath.empty()) return;
    HelpFound = true;
    // A language with help pages of its own offers no choice of help language.
    if (fallback) SeveralHelpLanguages = HelpLanguageFolders().size() > 1;
}

void LoadLanguageFile(int mode) {
    Guard("ULP.023-01", [&] {
        const std::string language = CurrentLanguage;
        const std::string folder = LanguageFolder();
        const bool useEnglish =
            platform::AsciiLower(language) != "english" && platform::FileAgeReadable(folder + "English\\English.txt");
        std::vector<std::string> folders;
        if (useEnglish) folders.push_back("English");
        folders.push_back(PackFolderOf(language));
        for (std::size_t pass = 0; pass < folders.size(); ++pass) {
            const std::string& name = folders[pass];
            if (!IsSafePathName(name, kTxtSuffix)) continue;  // a stored language that is no folder name has no pack
            const std::string file = folder + name + "\\" + (mode == 0 ? name + ".txt" : std::string("ULanguage.txt"));
            // A folder where the pack should be is no pack; a pipe, a device or a huge file is one
            // that cannot be read.
            const langpack::PackFile pack = langpack::ReadPackFile(file, name);
            if (pack.status == langpack::PackFile::Status::Missing) continue;
            if (pack.status == langpack::PackFile::Status::Refused) throw std::runtime_error(pack.problem);
            const std::vector<std::string>& lines = pack.lines;
            const bool withCredits = mode == 0 && pass + 1 == folders.size();
            langpack::Credits credits{TranslatorName, TranslatorUrl, TranslatorMail};
            langpack::AppendPackBody(lines, WorkingLanguageList, withCredits ? &credits : nullptr);
            if (withCredits) {
                TranslatorName = credits.name;
                TranslatorUrl = credits.url;
                TranslatorMail = credits.mail;
            }
        }
        if (LanguageDumpEnabled) SaveDump("t1", WorkingLanguageList);
    });
}

void LoadLanguage() {
    Guard("ULP.024-01", [&] {
        WorkingLanguageList = BaseTexts;
        TranslatorName.clear();
        TranslatorUrl.clear();
        TranslatorMail.clear();
        if (platform::AsciiLower(CurrentLanguage) != "russian") {
            LoadLanguageFile(0);
            LoadLanguageFile(1);
        }
        ChooseHelpIndex();
        if (Retranslate()) Retranslate()();
    });
}

void CaptureFormTexts(int mode, QWidget* form) {
    Guard("ULP.021-01", [&] {
        if (form) Capture(mode, form, true);
    });
}

void CaptureFrameTexts(int mode, QWidget* frame) {
    Guard("ULP.020-01", [&] {
        if (frame) Capture(mode, frame, false);
    });
}

void TranslateForm(int mode, QWidget* form) {
    Guard("ULP.019-01", [&] {
        if (form) Translate(mode, form, true, "ULP.018-01");
    });
}

void TranslateFormOrBuiltIn(int mode, QWidget* form) {
    Guard("ULP.019-01", [&] {
        if (!form) return;
        const std::string language = platform::AsciiLower(CurrentLanguage);
        const std::string name = Utf8(form->objectName());
        if (language.empty() || language == "russian" || langpack::FindNextSection(WorkingLanguageList, 0, name) != 0) {
            Translate(mode, form, true, "ULP.018-01");
            return;
        }
        TranslateFrom(BuiltInEnglishBody(), 1, form, true, "ULP.018-01");
    });
}

void TranslateFramePlain(int mode, QWidget* frame) {
    Guard("ULP.017-01", [&] {
        if (frame) Translate(mode, frame, false, "ULP.016-01");
    });
}

void FollowLanguageChanges(QWidget* form) {
    Guard("ULP.021-01", [&] {
        if (!form) return;
        std::vector<FollowedForm>& forms = FollowedForms();
        std::erase_if(forms, [form](const FollowedForm& followed) { return !followed.form || followed.form == form; });
        FollowedForm followed{form, {}};
        CaptureSection(form, true, followed.designTexts);
        forms.push_back(std::move(followed));
    });
}

void TranslateFollowedForms() {
    Guard("ULP.019-01", [&] {
        std::vector<FollowedForm>& forms = FollowedForms();
        std::erase_if(forms, [](const FollowedForm& followed) { return !followed.form; });
        // A copy: a translation may run handlers that open or close windows.
        const std::vector<FollowedForm> open = forms;
        for (const FollowedForm& followed : open) {
            if (!followed.form || followed.designTexts.size() < 2) continue;
            const ComponentIndex index(followed.form);
            ApplySection(followed.designTexts, 1, followed.designTexts.size() - 1, followed.form, true, index,
                         "ULP.018-01");
            if (followed.form) Translate(0, followed.form, true, "ULP.018-01");
        }
    });
}

std::string ReplacePlaceholder(const std::string& text, const std::string& pattern, const std::string& value) {
    std::string result = text;
    Guard("ULP.034-01", [&] { result = langpack::ReplaceAll(text, pattern, value); });
    return result;
}

std::string ReplaceAllCounted(const std::string& text, const std::string& pattern, const std::string& replacement,
                              int& count) {
    std::string result = text;
    count = 0;
    Guard("ULP.033-01", [&] { result = langpack::ReplaceAll(text, pattern, replacement, &count); });
    return result;
}

int FindSubstring(const std::string& text, const std::string& pattern) {
    int position = 0;
    Guard("ULP.032-01", [&] { position = static_cast<int>(langpack::FindSubstring(text, pattern)); });
    return position;
}

bool IsNotCommentPrefix(const std::string& prefix) {
    bool result = true;
    Guard("ULP.022-01", [&] { result = langpack::IsNotCommentPrefix(prefix); });
    return result;
}

}  // namespace kestrune
