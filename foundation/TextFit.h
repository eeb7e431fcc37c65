#pragma once
// Texts that fit in the font actually used. A window is laid out for one font (Tahoma at 96
// DPI); with another font or at more DPI its texts grow. The layout's sizes are the least sizes:
// buttons, labels, combo boxes (to their longest entry) and read-only memos grow to their texts,
// in width and in height; what stands to their right moves along a row, what stands below them
// moves down, containers grow around their contents, and the window widens and heightens when
// its contents no longer fit. What reaches the right edge of its container stretches with it,
// so a centred text stays centred in a widened panel.

#include <QRect>
#include <vector>

class QWidget;

namespace kestrune {

class TextFit {
public:
    // Records the places of root's components as the layout has them now. Components under one
    // of skip (a frame that lays itself out), Qt's own inner parts, and components that a layout
    // manager places are not placed here; pages and layout-managed containers still place their
    // own components. designWidth is the client width of the layout.
    TextFit(QWidget* root, int designWidth, const std::vector<QWidget*>& skip = {});

    // A component whose layout place the window's code changes (a layout of its own); the next
    // Fit starts from there.
    void SetDesignTop(QWidget* widget, int top);
    void SetDesignHeight(QWidget* widget, int height);

    // Places every recorded component for its text in its current font.
    void Fit();

    // The client width that the contents need: designWidth or more.
    int Width() const { return width_; }
    // How much lower the contents of container end than in the layout (0 when they fit).
    int ExtraHeight(const QWidget* container) const;

private:
    struct Place {
        QWidget* widget;
        QRect design;
        QRect now;  // set by Fit
        bool text = false;
    };
    std::vector<Place> places_;
    int designWidth_;
    int width_;
};

}  // namespace kestrune
