#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <functional>
#include <optional>

class QTimer;
class QWidget;

// Places a top-level window by its outer rectangle, frame included. A window
// manager frames a window only after it is mapped, so at the first show the
// frame's size is not known yet: the window is placed then with what is known,
// and again while its frame arrives, until it has stayed on its place for a
// moment. After that it is only held on the place it had when it was hidden,
// as a window manager may map it again elsewhere; so a window the user has
// moved stays where the user left it.
class OuterPlacement : public QObject {
    Q_OBJECT
public:
    // Where the window's outer top-left goes, given its outer size.
    using Rule = std::function<QPoint(const QSize& outerSize)>;

    // Places window by rule at its first show; owned by the window.
    static OuterPlacement* install(QWidget* window, Rule rule);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    OuterPlacement(QWidget* window, Rule rule);
    void checkFrame();

    QWidget* m_window;
    Rule m_rule;
    QTimer* m_watch;
    int m_checksLeft = 0;
    int m_steadyChecks = 0;
    bool m_shown = false;
    std::optional<QPoint> m_lastOuter; // where it was last seen while shown
};

namespace form {

// The least move that brings outer wholly into area; a window larger than the
// area keeps its top-left corner in it.
QPoint keptInside(const QRect& outer, const QRect& area);

} // namespace form
