#pragma once

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <functional>
#include <optional>

class QTimer;
class QWidget;

// Reads and moves a top-level window by its outer rectangle, frame included,
// the way window managers let it be done: a window is framed only after it is
// mapped, its frame comes in steps, and a move beyond the screen's edges may
// be refused. Every window that is placed, followed or docked is moved here.
class WindowPlacer : public QObject {
    Q_OBJECT
public:
    // Where the window's outer top-left goes, given its outer size.
    using Rule = std::function<QPoint(const QSize& outerSize)>;

    // The window's placer, made when first asked for; owned by the window.
    static WindowPlacer* of(QWidget* window);

    // The outer rectangle as the window system has it now; a window with no
    // frame (yet) is its own outer rectangle.
    QRect outer() const;

    // Puts the outer top-left on outerTopLeft. A window not shown yet has no
    // frame: it is moved as it is, so that it appears there. A shown window
    // is moved by its frame, and not at all where it is already: the same
    // place asked again is not sent to the window system.
    // A window that bypasses the window manager is moved as it is.
    void moveTo(QPoint outerTopLeft);

    // Places the window by rule at its first show. Not framed then, it is
    // placed with what is known, and again while its frame arrives, until it
    // has stayed on its place for a moment. After that it is only held on the
    // place it had when it was hidden, as a window manager may map it again
    // elsewhere; so a window the user has moved stays where the user left it.
    void placeAtShow(Rule rule);

    // Hides the window; showAt brings it back.
    void hide();
    // Shows the window hidden by hide() with its outer top-left on
    // outerTopLeft. It is put there before it is mapped, by the frame it had;
    // some window managers take that place for the frame's, so once it is
    // framed and exposed, its frame is moved where it belongs.
    void showAt(QPoint outerTopLeft);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit WindowPlacer(QWidget* window);
    void checkFrame();

    QWidget* m_window;
    Rule m_rule; // empty unless the window is placed at its show
    QTimer* m_watch;
    int m_checksLeft = 0;
    int m_steadyChecks = 0;
    bool m_shown = false;
    std::optional<QPoint> m_lastOuter; // where it was last seen while shown
    QPoint m_frameInset;               // the window's place in its frame when it was hidden
    std::optional<QPoint> m_showingAt; // where a window just brought back is to be
};

// Brings a window up to the user: shown, out of its icon if it was minimised,
// above the others and active. A window asked for again while minimised is
// meant to be seen, not left on the task bar.
void bringUp(QWidget* window);

namespace form {

// The least move that brings outer wholly into area; a window larger than the
// area keeps its top-left corner in it.
QPoint keptInside(const QRect& outer, const QRect& area);

} // namespace form
