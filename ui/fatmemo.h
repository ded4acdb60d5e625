#pragma once

// The output view of the chat pages: draws the lines of a ChatLineModel, fixed-pitch silver
// text on black by default, with word wrap, links and the newest line at the bottom.
//
// Only what is on screen is laid out. Layouts are cached per line (under the model's serial
// number, which survives the oldest lines being dropped) for the lines drawn last and thrown
// away when the width changes, so appending a line costs nothing until it is drawn.
//
// Position. The view shows the lines that end at line bottomLine(), whose last hiddenRows()
// wrapped rows lie below the bottom edge; lines fill the view from the bottom up, so a few
// lines sit at the bottom. The vertical scroll bar counts whole lines (its value is the bottom
// line); the wheel and the keys move by wrapped rows, so that a line taller than the view can
// still be read from top to bottom.
//
// Stick. With Stick::Bottom the view follows new lines; with Stick::None the lines on screen
// stay put while lines are added and old ones dropped; with Stick::Top the oldest line stays
// at the top. A user's scrolling sets Bottom when it ends at the newest line and None
// otherwise, so the view follows while the user looks at the bottom and stays where the user
// reads older lines.

#include "chat/chatlinemodel.h"

#include <QAbstractScrollArea>
#include <QClipboard>
#include <QColor>
#include <QElapsedTimer>
#include <QPointer>
#include <QTextCharFormat>
#include <QTimer>
#include <memory>
#include <unordered_map>

class QTextLayout;

class TFatMemo final : public QAbstractScrollArea {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TFatMemo)

public:
    enum class Stick { Top, None, Bottom };
    Q_ENUM(Stick)

    explicit TFatMemo(QWidget* parent = nullptr);
    ~TFatMemo() override;

    ChatLineModel* model() const { return m_model; }
    void setModel(ChatLineModel* model);

    Stick stick() const { return m_stick; }
    void setStick(Stick stick);
    bool wordWrap() const { return m_wordWrap; }
    void setWordWrap(bool wrap);
    QColor defaultForeground() const { return m_foreground; }
    QColor defaultBackground() const { return m_background; }
    void setDefaultColors(const QColor& foreground, const QColor& background);

    // Height of one (wrapped) text row in pixels.
    int rowHeight() const { return m_rowHeight; }
    // Row of the model drawn at the bottom edge; -1 when there are no lines.
    int bottomLine() const { return m_bottom; }
    int hiddenRows() const { return m_hiddenRows; }
    // True when the newest line is in sight at the bottom.
    bool isAtBottom() const;
    // True while the view has yet to catch up with changes of its model (its scroll bar and
    // drawing follow within a few milliseconds, at most 40 times a second during a flood).
    bool isSyncPending() const { return m_syncPending; }

    // Scrolls by wrapped rows: positive towards older lines, negative towards newer ones.
    void scrollRows(int rows);
    void scrollToTop();
    void scrollToBottom();

    // Link target of the text under a point of the viewport; empty when there is none.
    QString linkAt(const QPoint& viewportPoint) const;
    // The middle of character `pos` of model row `row` in viewport coordinates, or a null
    // point when it is not on screen. Lets callers and tests aim at drawn text.
    QPoint characterCenter(int row, int pos) const;

    QString selectedText() const;
    void clearSelection();

Q_SIGNALS:
    // The user clicked a link. Hand the target to SafeLinkUrl before opening anything.
    void linkActivated(const QString& target);
    // The user moved the view (wheel, keys, scroll bar).
    void scrolled();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    struct CachedLayout {
        std::unique_ptr<QTextLayout> layout;
        int rows = 1;
        quint64 used = 0;
    };
    struct Placed {
        int row;
        int top; // viewport y of the line's first row
    };
    struct TextPoint {
        qint64 serial = -1;
        int pos = 0;
        friend bool operator==(const TextPoint&, const TextPoint&) = default;
    };
    struct Hit {
        int row = -1;
        int pos = -1;   // character under the point, -1 when the point is beside text
        int cursor = 0; // the gap between characters nearest to the point
    };

    void rowsInserted();
    void rowsRemoved(int first, int last);
    void modelReset();

    CachedLayout& layoutFor(int row) const;
    int rowsOf(int row) const { return layoutFor(row).rows; }
    QTextCharFormat formatFor(qint8 foreground, qint8 background, quint8 styles) const;
    QColor resolve(qint8 colour) const;
    void dropLayouts();
    void evictLayouts() const;
    int textWidth() const;

    // The lines on screen, bottom line first.
    QList<Placed> placedLines() const;
    Hit hitTest(const QPoint& point) const;
    QString linkOfHit(const Hit& hit, qint32* key = nullptr) const;
    TextPoint textPointAt(const QPoint& point) const;
    // Selection ends in text order; false when nothing is selected.
    bool orderedSelection(TextPoint* first, TextPoint* last) const;
    void copySelection(QClipboard::Mode mode) const;

    void scheduleSync();
    // Works out the topmost position, clamps the current one, applies the stick setting and
    // brings the scroll bar in line with it all.
    void sync();
    void userMoved();
    void onScrollBarValue(int value);

    QPointer<ChatLineModel> m_model;
    QList<QMetaObject::Connection> m_modelConnections;

    Stick m_stick = Stick::Bottom;
    bool m_wordWrap = true;
    QColor m_foreground;
    QColor m_background;
    int m_rowHeight = 15;

    int m_bottom = -1;
    int m_hiddenRows = 0;
    int m_topLine = 0;
    int m_topHidden = 0;
    bool m_syncPending = false;
    QTimer m_syncTimer;
    QElapsedTimer m_lastSync;
    bool m_settingScrollBar = false;

    mutable std::unordered_map<qint64, CachedLayout> m_layouts;
    mutable quint64 m_generation = 1;
    int m_layoutWidth = -1;
    mutable QHash<quint32, QTextCharFormat> m_formats;

    TextPoint m_anchor;
    TextPoint m_caret;
    QPoint m_pressPoint;
    bool m_pressed = false;
    bool m_dragging = false;
    qint64 m_pressLinkSerial = -1;
    qint32 m_pressLinkKey = 0;
    int m_wheelDelta = 0;
};
