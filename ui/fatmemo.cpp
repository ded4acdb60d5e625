#include "ui/fatmemo.h"

#include "chat/chatlinemodel.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextLayout>
#include <QWheelEvent>

namespace {

// Gap between the left edge and the text.
constexpr int Margin = 2;
// Layouts beyond this many are kept only while they were used by the last sync or paint.
constexpr std::size_t LayoutsKeptAnyway = 64;
constexpr int RowsPerWheelStep = 3;
// Shortest time between two syncs (and so repaints) while lines keep coming: 40 per second.
constexpr qint64 SyncIntervalMs = 25;
// QTextLayout resolves its format ranges in time that grows with the square of their number
// (10,000 ranges take most of a second). A chat line has a handful; past this many, which
// only a hostile line reaches, the rest of the line is drawn in the view's defaults. Links
// there still work, since clicks are looked up in the model's runs.
constexpr qsizetype MaxFormatRanges = 1000;

} // namespace

TFatMemo::TFatMemo(QWidget* parent)
    : QAbstractScrollArea(parent)
    , m_foreground(QColor::fromRgb(TagPalette()[15]))
    , m_background(QColor::fromRgb(TagPalette()[1]))
{
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setStyleHint(QFont::TypeWriter);
    fixed.setFixedPitch(true);
    setFont(fixed);
    m_rowHeight = qMax(1, QFontMetrics(font()).lineSpacing());

    setFocusPolicy(Qt::ClickFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Always there, so that the text width does not change (and every layout with it) when
    // the view fills up.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    viewport()->setMouseTracking(true);
    viewport()->setAutoFillBackground(false);
    verticalScrollBar()->setRange(0, 0);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &TFatMemo::onScrollBarValue);
    m_syncTimer.setSingleShot(true);
    connect(&m_syncTimer, &QTimer::timeout, this, [this] {
        if (m_syncPending)
            sync();
    });
}

TFatMemo::~TFatMemo() = default;

void TFatMemo::setModel(ChatLineModel* model)
{
    if (model == m_model)
        return;
    for (const QMetaObject::Connection& connection : std::as_const(m_modelConnections))
        disconnect(connection);
    m_modelConnections.clear();
    m_model = model;
    if (model) {
        m_modelConnections = {
            connect(model, &QAbstractItemModel::rowsInserted, this, &TFatMemo::rowsInserted),
            connect(model, &QAbstractItemModel::rowsRemoved, this,
                    [this](const QModelIndex&, int first, int last) { rowsRemoved(first, last); }),
            connect(model, &QAbstractItemModel::modelReset, this, &TFatMemo::modelReset),
            connect(model, &QObject::destroyed, this, &TFatMemo::modelReset),
        };
    }
    modelReset();
}

void TFatMemo::setStick(Stick stick)
{
    m_stick = stick;
    if (stick == Stick::Bottom && m_model && m_model->lineCount() > 0) {
        m_bottom = m_model->lineCount() - 1;
        m_hiddenRows = 0;
    }
    scheduleSync();
    viewport()->update();
}

void TFatMemo::setWordWrap(bool wrap)
{
    if (wrap == m_wordWrap)
        return;
    m_wordWrap = wrap;
    dropLayouts();
    scheduleSync();
    viewport()->update();
}

void TFatMemo::setDefaultColors(const QColor& foreground, const QColor& background)
{
    m_foreground = foreground;
    m_background = background;
    m_formats.clear();
    dropLayouts();
    viewport()->update();
}

bool TFatMemo::isAtBottom() const
{
    const int count = m_model ? m_model->lineCount() : 0;
    return count == 0 || (m_bottom >= count - 1 && m_hiddenRows == 0);
}

// --- Model changes --------------------------------------------------------------------------

void TFatMemo::rowsInserted()
{
    if (m_stick == Stick::Bottom) {
        m_bottom = m_model->lineCount() - 1;
        m_hiddenRows = 0;
    } else if (m_bottom < 0) {
        // Every line the user was reading has been dropped: hold on to the oldest, as when
        // they go one by one.
        m_bottom = 0;
        m_hiddenRows = 0;
    }
    // Nothing is laid out here: a burst of lines costs one sync and one paint afterwards.
    scheduleSync();
}

void TFatMemo::rowsRemoved(int first, int last)
{
    const int count = m_model ? m_model->lineCount() : 0;
    const int removed = last - first + 1;
    if (m_bottom > last) {
        // The lines on screen stay on screen: only their row numbers moved.
        m_bottom -= removed;
    } else if (m_bottom >= first) {
        // The line at the bottom went: show what is left in its place.
        m_bottom = qMax(0, first - 1);
        m_hiddenRows = 0;
    }
    if (m_stick == Stick::Bottom || m_bottom >= count) {
        m_bottom = count - 1;
        m_hiddenRows = 0;
    }
    if (count == 0)
        m_bottom = -1;
    scheduleSync();
}

void TFatMemo::modelReset()
{
    m_bottom = m_model ? m_model->lineCount() - 1 : -1;
    m_hiddenRows = 0;
    m_stick = Stick::Bottom;
    m_anchor = m_caret = TextPoint{};
    m_pressed = m_dragging = false;
    m_pressLinkSerial = -1;
    dropLayouts();
    scheduleSync();
}

// --- Layouts --------------------------------------------------------------------------------

int TFatMemo::textWidth() const
{
    return qMax(1, viewport()->width() - 2 * Margin);
}

void TFatMemo::dropLayouts()
{
    m_layouts.clear();
    m_layoutWidth = textWidth();
}

void TFatMemo::evictLayouts() const
{
    if (m_layouts.size() <= LayoutsKeptAnyway)
        return;
    std::erase_if(m_layouts,
                  [this](const auto& entry) { return entry.second.used + 1 < m_generation; });
}

QColor TFatMemo::resolve(qint8 colour) const
{
    if (colour == FormatRun::DefaultForeground)
        return m_foreground;
    if (colour == FormatRun::DefaultBackground)
        return m_background;
    if (colour >= 0 && colour < 16)
        return QColor::fromRgb(TagPalette()[colour]);
    return m_foreground;
}

QTextCharFormat TFatMemo::formatFor(qint8 foreground, qint8 background, quint8 styles) const
{
    const quint32 key =
        quint32(quint8(foreground)) | quint32(quint8(background)) << 8 | quint32(styles) << 16;
    auto found = m_formats.constFind(key);
    if (found != m_formats.cend())
        return *found;
    QTextCharFormat format;
    if (foreground != FormatRun::DefaultForeground)
        format.setForeground(resolve(foreground));
    if (background != FormatRun::DefaultBackground)
        format.setBackground(resolve(background));
    const FontStyles fontStyles = FontStyles::fromInt(styles);
    if (fontStyles.testFlag(FontStyle::Bold))
        format.setFontWeight(QFont::Bold);
    if (fontStyles.testFlag(FontStyle::Underline))
        format.setFontUnderline(true);
    m_formats.insert(key, format);
    return format;
}

TFatMemo::CachedLayout& TFatMemo::layoutFor(int row) const
{
    const qint64 serial = m_model->lineSerial(row);
    auto found = m_layouts.find(serial);
    if (found != m_layouts.end()) {
        found->second.used = m_generation;
        return found->second;
    }

    const TaggedLineParts& parts = m_model->parts(row);
    auto layout = std::make_unique<QTextLayout>(parts.text, font(), viewport());
    QTextOption option;
    // A word longer than the view (a pasted URL, a hostile 10,000-character word) is broken
    // anywhere rather than cut off.
    option.setWrapMode(m_wordWrap ? QTextOption::WrapAtWordBoundaryOrAnywhere
                                  : QTextOption::NoWrap);
    layout->setTextOption(option);
    layout->setCacheEnabled(true);
    QList<QTextLayout::FormatRange> formats;
    formats.reserve(qMin(parts.runs.size(), MaxFormatRanges));
    for (qsizetype i = 0; i < parts.runs.size() && formats.size() < MaxFormatRanges; ++i) {
        const FormatRun& run = parts.runs.at(i);
        if (run.foreground == FormatRun::DefaultForeground &&
            run.background == FormatRun::DefaultBackground && run.styles == 0)
            continue;
        const qsizetype end =
            i + 1 < parts.runs.size() ? parts.runs.at(i + 1).start : parts.text.size();
        formats.append({run.start, int(end - run.start),
                        formatFor(run.foreground, run.background, run.styles)});
    }
    layout->setFormats(formats);

    const qreal width = textWidth();
    int rows = 0;
    layout->beginLayout();
    for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, qreal(rows) * m_rowHeight));
        ++rows;
    }
    layout->endLayout();

    CachedLayout& entry = m_layouts[serial];
    entry.layout = std::move(layout);
    entry.rows = qMax(1, rows);
    entry.used = m_generation;
    return entry;
}

QList<TFatMemo::Placed> TFatMemo::placedLines() const
{
    QList<Placed> placed;
    if (!m_model || m_bottom < 0)
        return placed;
    int edge = viewport()->height() + m_hiddenRows * m_rowHeight;
    for (int row = qMin(m_bottom, m_model->lineCount() - 1); row >= 0 && edge > 0; --row) {
        const int top = edge - rowsOf(row) * m_rowHeight;
        placed.append({row, top});
        edge = top;
    }
    return placed;
}

// --- Position and scroll bar ----------------------------------------------------------------

void TFatMemo::scheduleSync()
{
    if (m_syncPending)
        return;
    m_syncPending = true;
    // The first change after a quiet spell shows at once; during a flood the view catches up
    // at most once per SyncInterval, so that appending stays cheap however fast lines come.
    const qint64 since = m_lastSync.isValid() ? m_lastSync.elapsed() : SyncIntervalMs;
    m_syncTimer.start(int(qBound<qint64>(0, SyncIntervalMs - since, SyncIntervalMs)));
}

void TFatMemo::sync()
{
    m_syncPending = false;
    m_syncTimer.stop();
    m_lastSync.start();
    ++m_generation;
    const int count = m_model ? m_model->lineCount() : 0;
    if (count == 0) {
        m_bottom = -1;
        m_hiddenRows = 0;
        m_topLine = m_topHidden = 0;
    } else {
        if (textWidth() != m_layoutWidth)
            dropLayouts();
        m_topLine = 0;
        m_topHidden = 0;
        // A hidden view is not laid out; it is synced again when it is shown.
        if (isVisible()) {
            // The topmost position: the first lines fill the view, the first row of the first
            // line whole (when the height is no multiple of the row height, that leaves a gap
            // of less than a row above it rather than half a row cut off).
            const int height = viewport()->height();
            m_topLine = count - 1;
            qint64 filled = 0;
            for (int row = 0; row < count; ++row) {
                const int rows = rowsOf(row);
                filled += qint64(rows) * m_rowHeight;
                if (filled >= height) {
                    m_topLine = row;
                    m_topHidden = int((filled - height + m_rowHeight - 1) / m_rowHeight);
                    if (m_topHidden >= rows && row > 0) {
                        --m_topLine;
                        m_topHidden = 0;
                    }
                    m_topHidden = qMin(m_topHidden, rows - 1);
                    break;
                }
            }
        }
        switch (m_stick) {
        case Stick::Bottom:
            m_bottom = count - 1;
            m_hiddenRows = 0;
            break;
        case Stick::Top:
            m_bottom = m_topLine;
            m_hiddenRows = m_topHidden;
            break;
        case Stick::None:
            if (m_bottom < 0 || m_bottom >= count) {
                m_bottom = count - 1;
                m_hiddenRows = 0;
            }
            break;
        }
        if (m_bottom < m_topLine || (m_bottom == m_topLine && m_hiddenRows > m_topHidden)) {
            m_bottom = m_topLine;
            m_hiddenRows = m_topHidden;
        }
        if (isVisible())
            m_hiddenRows = qMin(m_hiddenRows, rowsOf(m_bottom) - 1);
    }

    QScrollBar* bar = verticalScrollBar();
    m_settingScrollBar = true;
    bar->setRange(m_topLine, qMax(m_topLine, count - 1));
    bar->setPageStep(qMax(1, viewport()->height() / m_rowHeight));
    bar->setSingleStep(1);
    bar->setValue(qMax(m_bottom, 0));
    m_settingScrollBar = false;
    evictLayouts();
    viewport()->update();
}

void TFatMemo::userMoved()
{
    m_stick = isAtBottom() ? Stick::Bottom : Stick::None;
    m_settingScrollBar = true;
    verticalScrollBar()->setValue(qMax(m_bottom, 0));
    m_settingScrollBar = false;
    viewport()->update();
    Q_EMIT scrolled();
}

void TFatMemo::onScrollBarValue(int value)
{
    if (m_settingScrollBar || !m_model || m_model->lineCount() == 0)
        return;
    if (value <= m_topLine) {
        m_bottom = m_topLine;
        m_hiddenRows = m_topHidden;
    } else {
        m_bottom = qMin(value, m_model->lineCount() - 1);
        m_hiddenRows = 0;
    }
    userMoved();
}

void TFatMemo::scrollRows(int rows)
{
    if (!m_model || m_model->lineCount() == 0 || rows == 0)
        return;
    sync();
    const int count = m_model->lineCount();
    if (rows > 0) {
        m_hiddenRows += rows;
        while (m_bottom > 0 && m_hiddenRows >= rowsOf(m_bottom)) {
            m_hiddenRows -= rowsOf(m_bottom);
            --m_bottom;
        }
        m_hiddenRows = qMin(m_hiddenRows, rowsOf(m_bottom) - 1);
        if (m_bottom < m_topLine || (m_bottom == m_topLine && m_hiddenRows > m_topHidden)) {
            m_bottom = m_topLine;
            m_hiddenRows = m_topHidden;
        }
    } else {
        m_hiddenRows += rows;
        while (m_hiddenRows < 0 && m_bottom < count - 1) {
            ++m_bottom;
            m_hiddenRows += rowsOf(m_bottom);
        }
        m_hiddenRows = qMax(0, m_hiddenRows);
    }
    userMoved();
}

void TFatMemo::scrollToTop()
{
    if (!m_model || m_model->lineCount() == 0)
        return;
    sync();
    m_bottom = m_topLine;
    m_hiddenRows = m_topHidden;
    userMoved();
}

void TFatMemo::scrollToBottom()
{
    if (!m_model || m_model->lineCount() == 0)
        return;
    m_bottom = m_model->lineCount() - 1;
    m_hiddenRows = 0;
    userMoved();
}

// --- Events ---------------------------------------------------------------------------------

void TFatMemo::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    painter.fillRect(event->rect(), m_background);
    if (!m_model || m_bottom < 0)
        return;
    if (textWidth() != m_layoutWidth)
        dropLayouts();
    ++m_generation;
    painter.setPen(m_foreground);

    TextPoint first;
    TextPoint last;
    const bool selection = orderedSelection(&first, &last);
    QTextCharFormat selected;
    selected.setBackground(palette().brush(QPalette::Highlight));
    selected.setForeground(palette().brush(QPalette::HighlightedText));

    for (const Placed& placed : placedLines()) {
        CachedLayout& entry = layoutFor(placed.row);
        const QRect area(0, placed.top, viewport()->width(), entry.rows * m_rowHeight);
        if (!area.intersects(event->rect()))
            continue;
        QList<QTextLayout::FormatRange> highlight;
        const qint64 serial = m_model->lineSerial(placed.row);
        if (selection && serial >= first.serial && serial <= last.serial) {
            const int size = int(m_model->parts(placed.row).text.size());
            const int from = serial == first.serial ? first.pos : 0;
            const int to = serial == last.serial ? last.pos : size;
            if (to > from)
                highlight.append({from, to - from, selected});
        }
        entry.layout->draw(&painter, QPointF(Margin, placed.top), highlight, QRectF(event->rect()));
    }
    evictLayouts();
}

void TFatMemo::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    if (textWidth() != m_layoutWidth)
        dropLayouts();
    sync();
}

void TFatMemo::showEvent(QShowEvent* event)
{
    QAbstractScrollArea::showEvent(event);
    sync();
}

void TFatMemo::changeEvent(QEvent* event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        m_rowHeight = qMax(1, QFontMetrics(font()).lineSpacing());
        dropLayouts();
        scheduleSync();
    }
}

void TFatMemo::scrollContentsBy(int, int)
{
    // Scroll bar moves are handled in onScrollBarValue; the view always repaints whole.
}

void TFatMemo::wheelEvent(QWheelEvent* event)
{
    m_wheelDelta += event->angleDelta().y();
    const int rows = m_wheelDelta * RowsPerWheelStep / 120;
    if (rows != 0) {
        m_wheelDelta -= rows * 120 / RowsPerWheelStep;
        scrollRows(rows);
    }
    event->accept();
}

void TFatMemo::keyPressEvent(QKeyEvent* event)
{
    const int pageRows = qMax(1, viewport()->height() / m_rowHeight - 1);
    if (event->matches(QKeySequence::Copy)) {
        copySelection(QClipboard::Clipboard);
    } else if (event->key() == Qt::Key_PageUp) {
        scrollRows(pageRows);
    } else if (event->key() == Qt::Key_PageDown) {
        scrollRows(-pageRows);
    } else if (event->key() == Qt::Key_Up && event->modifiers() == Qt::NoModifier) {
        scrollRows(1);
    } else if (event->key() == Qt::Key_Down && event->modifiers() == Qt::NoModifier) {
        scrollRows(-1);
    } else if (event->matches(QKeySequence::MoveToStartOfDocument)) {
        scrollToTop();
    } else if (event->matches(QKeySequence::MoveToEndOfDocument)) {
        scrollToBottom();
    } else {
        // Everything else (page switching keys among them) is for the page around the view.
        event->ignore();
        return;
    }
    event->accept();
}

// --- Hit testing, links and selection -------------------------------------------------------

TFatMemo::Hit TFatMemo::hitTest(const QPoint& point) const
{
    for (const Placed& placed : placedLines()) {
        const CachedLayout& entry = layoutFor(placed.row);
        if (point.y() < placed.top || point.y() >= placed.top + entry.rows * m_rowHeight)
            continue;
        Hit hit;
        hit.row = placed.row;
        const QTextLine line = entry.layout->lineAt((point.y() - placed.top) / m_rowHeight);
        if (!line.isValid())
            return hit;
        const qreal x = point.x() - Margin;
        hit.cursor = line.xToCursor(x, QTextLine::CursorBetweenCharacters);
        if (x >= 0 && x < line.naturalTextWidth()) {
            const int pos = line.xToCursor(x, QTextLine::CursorOnCharacter);
            if (pos >= line.textStart() && pos < line.textStart() + line.textLength())
                hit.pos = pos;
        }
        return hit;
    }
    return {};
}

QString TFatMemo::linkOfHit(const Hit& hit, qint32* key) const
{
    if (!m_model || hit.row < 0 || hit.pos < 0)
        return {};
    const TaggedLineParts& parts = m_model->parts(hit.row);
    const qsizetype run = parts.runAt(hit.pos);
    if (run < 0 || parts.runs.at(run).link == 0)
        return {};
    const qint32 link = parts.runs.at(run).link;
    if (key)
        *key = link;
    return m_model->linkTarget(hit.row, link);
}

QString TFatMemo::linkAt(const QPoint& viewportPoint) const
{
    return linkOfHit(hitTest(viewportPoint));
}

QPoint TFatMemo::characterCenter(int row, int pos) const
{
    for (const Placed& placed : placedLines()) {
        if (placed.row != row)
            continue;
        const CachedLayout& entry = layoutFor(row);
        const QTextLine line = entry.layout->lineForTextPosition(pos);
        if (!line.isValid())
            return {};
        const qreal left = line.cursorToX(pos);
        const qreal right = line.cursorToX(pos + 1);
        const QPoint center(Margin + int((left + right) / 2),
                            placed.top + line.lineNumber() * m_rowHeight + m_rowHeight / 2);
        return viewport()->rect().contains(center) ? center : QPoint();
    }
    return {};
}

TFatMemo::TextPoint TFatMemo::textPointAt(const QPoint& point) const
{
    const Hit hit = hitTest(point);
    if (hit.row >= 0)
        return {m_model->lineSerial(hit.row), hit.cursor};
    const QList<Placed> placed = placedLines();
    if (placed.isEmpty())
        return {};
    // Beside the lines: above the topmost one counts as its start, below as the end.
    if (point.y() < placed.last().top)
        return {m_model->lineSerial(placed.last().row), 0};
    const int row = placed.first().row;
    return {m_model->lineSerial(row), int(m_model->parts(row).text.size())};
}

bool TFatMemo::orderedSelection(TextPoint* first, TextPoint* last) const
{
    if (m_anchor.serial < 0 || m_caret.serial < 0 || m_anchor == m_caret)
        return false;
    const bool anchorFirst = m_anchor.serial < m_caret.serial ||
                             (m_anchor.serial == m_caret.serial && m_anchor.pos < m_caret.pos);
    *first = anchorFirst ? m_anchor : m_caret;
    *last = anchorFirst ? m_caret : m_anchor;
    return true;
}

QString TFatMemo::selectedText() const
{
    TextPoint first;
    TextPoint last;
    if (!m_model || !orderedSelection(&first, &last))
        return {};
    const int lastRow = m_model->rowOfSerial(last.serial);
    if (lastRow < 0)
        return {};
    // The selection may have begun on a line that has since been dropped.
    int firstRow = m_model->rowOfSerial(first.serial);
    if (firstRow < 0) {
        firstRow = 0;
        first.pos = 0;
    }
    QStringList lines;
    for (int row = firstRow; row <= lastRow; ++row) {
        const QString& text = m_model->parts(row).text;
        const int from = row == firstRow ? first.pos : 0;
        const int to = row == lastRow ? last.pos : int(text.size());
        lines.append(text.mid(from, qMax(0, to - from)));
    }
    return lines.join(u'\n');
}

void TFatMemo::clearSelection()
{
    m_anchor = m_caret = TextPoint{};
    viewport()->update();
}

void TFatMemo::copySelection(QClipboard::Mode mode) const
{
    const QString text = selectedText();
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (text.isEmpty() || !clipboard)
        return;
    if (mode == QClipboard::Selection && !clipboard->supportsSelection())
        return;
    clipboard->setText(text, mode);
}

void TFatMemo::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_model) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    const QPoint point = event->position().toPoint();
    m_pressed = true;
    m_dragging = false;
    m_pressPoint = point;
    const Hit hit = hitTest(point);
    qint32 key = 0;
    const bool onLink = !linkOfHit(hit, &key).isEmpty();
    m_pressLinkSerial = onLink ? m_model->lineSerial(hit.row) : -1;
    m_pressLinkKey = key;
    m_anchor = m_caret = textPointAt(point);
    viewport()->update();
    event->accept();
}

void TFatMemo::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint point = event->position().toPoint();
    if (m_pressed && (event->buttons() & Qt::LeftButton)) {
        if (!m_dragging &&
            (point - m_pressPoint).manhattanLength() >= QApplication::startDragDistance())
            m_dragging = true;
        if (m_dragging) {
            m_caret = textPointAt(point);
            viewport()->update();
        }
    } else {
        if (linkAt(point).isEmpty())
            viewport()->unsetCursor();
        else
            viewport()->setCursor(Qt::PointingHandCursor);
    }
    event->accept();
}

void TFatMemo::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_pressed) {
        QAbstractScrollArea::mouseReleaseEvent(event);
        return;
    }
    m_pressed = false;
    if (m_dragging) {
        m_dragging = false;
        copySelection(QClipboard::Selection);
    } else if (m_pressLinkSerial >= 0 && m_model) {
        const Hit hit = hitTest(event->position().toPoint());
        qint32 key = 0;
        const QString target = linkOfHit(hit, &key);
        // A click is a press and a release on the same link.
        if (!target.isEmpty() && m_model->lineSerial(hit.row) == m_pressLinkSerial &&
            key == m_pressLinkKey) {
            m_pressLinkSerial = -1;
            Q_EMIT linkActivated(target);
        }
    }
    m_pressLinkSerial = -1;
    event->accept();
}
