#include "ui/debugpanel.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>

using namespace Qt::StringLiterals;

namespace {

QComboBox* createList(const QString& name, QWidget* parent)
{
    auto* list = new QComboBox(parent);
    list->setObjectName(name);
    list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    list->setMinimumContentsLength(20);
    list->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    return list;
}

} // namespace

DebugPanel::DebugPanel(DebugLog& log, QWidget* parent)
    : QWidget(parent)
{
    setObjectName(u"DebugPanel"_s);
    m_incoming = createList(u"DebugInComboBox"_s, this);
    m_outgoing = createList(u"DebugOutComboBox"_s, this);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->addWidget(new QLabel(u"Incoming:"_s, this));
    layout->addWidget(m_incoming, 1);
    layout->addWidget(new QLabel(u"Outgoing:"_s, this));
    layout->addWidget(m_outgoing, 1);

    for (const auto direction : {DebugLog::Direction::Incoming, DebugLog::Direction::Outgoing}) {
        for (const QString& line : log.lines(direction))
            addLine(direction, line);
    }
    connect(&log, &DebugLog::lineAdded, this, &DebugPanel::addLine);
}

void DebugPanel::addLine(DebugLog::Direction direction, const QString& line)
{
    QComboBox* list = direction == DebugLog::Direction::Incoming ? m_incoming : m_outgoing;
    list->addItem(line);
    // The log keeps only its newest lines; so does the list.
    while (list->count() > DebugLog::MaxLines)
        list->removeItem(0);
    list->setCurrentIndex(list->count() - 1);
}
