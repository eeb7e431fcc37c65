#include "foundation/HintPauses.h"

#include <QApplication>
#include <QProxyStyle>
#include <QWidget>
#include <climits>

namespace kestrune {
namespace {

// Qt lets a hint go after about ten seconds; this long is "until the mouse leaves".
constexpr int kHintStays = INT_MAX;

class HintPauseStyle : public QProxyStyle {
public:
    HintPauseStyle(QStyle* base, int pauseMs, int hidePauseMs) : QProxyStyle(base) { Set(pauseMs, hidePauseMs); }

    void Set(int pauseMs, int hidePauseMs) {
        pause_ = pauseMs;
        duration_ = hidePauseMs < 0 ? kHintStays : hidePauseMs;
    }

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_ToolTip_WakeUpDelay && pause_ >= 0) return pause_;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }

    using QProxyStyle::polish;
    void polish(QWidget* widget) override {
        QProxyStyle::polish(widget);
        // Only controls that leave the hint's time to Qt; one that chose its own keeps it.
        if (widget && (widget->toolTipDuration() < 0 || widget->property(kOwned).toBool())) {
            widget->setToolTipDuration(duration_);
            widget->setProperty(kOwned, true);
        }
    }

private:
    static constexpr const char* kOwned = "kestruneHintDuration";
    int pause_ = -1;
    int duration_ = kHintStays;
};

// This program's style anywhere in the chain of proxies over the application's style.
HintPauseStyle* FindInChain(QStyle* style) {
    while (style) {
        if (auto* own = dynamic_cast<HintPauseStyle*>(style)) return own;
        auto* proxy = qobject_cast<QProxyStyle*>(style);
        style = proxy ? proxy->baseStyle() : nullptr;
    }
    return nullptr;
}

}  // namespace

void SetHintPauses(int pauseMs, int hidePauseMs) {
    if (!qApp) return;
    if (HintPauseStyle* own = FindInChain(QApplication::style())) {
        own->Set(pauseMs, hidePauseMs);
        for (QWidget* widget : QApplication::allWidgets()) own->polish(widget);
        return;
    }
    // The proxy takes the current style as its base (and with it its ownership).
    QApplication::setStyle(new HintPauseStyle(QApplication::style(), pauseMs, hidePauseMs));
}

}  // namespace kestrune
