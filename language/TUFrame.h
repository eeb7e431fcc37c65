#pragma once
// Base of the program's frames: panels of components that several windows embed (the help
// button frame, the update settings frame, the carrier frames). A frame's components belong to
// the frame: the walk of a window stops at its boundary and only the frame's own translation
// reaches them. A widget that cannot derive from TUFrame is marked with the dynamic property
// "languageFrame" = true instead.

#include <QFrame>

namespace kestrune {

class TUFrame : public QFrame {
    Q_OBJECT

public:
    explicit TUFrame(QWidget* parent = nullptr);
};

}  // namespace kestrune
