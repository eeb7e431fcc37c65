#pragma once
// The component model of the translation: which objects of a window are its components, and
// how their texts (caption or text, hint, lines, items) are read and set. The mapping of the
// component kinds to Qt classes is in docs/language.md.

#include <QString>
#include <QStringList>
#include <vector>

class QObject;
class QWidget;

namespace kestrune {

// Dynamic properties that the component walk honours.
inline constexpr char kFrameProperty[] = "languageFrame";      // this widget is a frame
inline constexpr char kRuntimeItemProperty[] = "runtimeItem";  // made at run time: never translated
inline constexpr char kCheckListProperty[] = "checkList";      // a list widget that is a check list

bool IsFrame(const QObject* object);

// The components of a window or frame in creation order: its named widgets and actions, down
// to (not into) embedded frames and windows of their own. A frame is one of them; a menu is
// represented by its menu action.
std::vector<QObject*> OwnComponents(QWidget* root);

// The texts of a component as the pack format holds them: the caption or text (for lists the
// items, for a value list editor the keys with the title row first) and the hint.
struct ComponentTexts {
    QStringList text;
    QStringList hint;
};
ComponentTexts ReadComponentTexts(QObject* component);

// Applies one entry's value lines: the first replaces, each further line is added. Hints go
// to the tool tip; check lists and value list editors are changed in place, row by row.
void ApplyComponentLines(QObject* component, bool hint, const QStringList& lines);

}  // namespace kestrune
