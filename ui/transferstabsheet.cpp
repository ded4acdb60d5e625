#include "ui/transferstabsheet.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

QLineEdit* createSummary(const QString& name, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setReadOnly(true);
    edit->setFocusPolicy(Qt::NoFocus);
    edit->setMinimumWidth(220);
    return edit;
}

} // namespace

TransfersTabSheet::TransfersTabSheet(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(u"TransfersTabSheet"_s);
    m_down = createSummary(u"DownloadSummaryEdit"_s, this);
    m_up = createSummary(u"UploadSummaryEdit"_s, this);

    auto* strip = new QHBoxLayout;
    strip->addStretch(1);
    strip->addWidget(m_down);
    strip->addWidget(m_up);

    auto* layout = new QVBoxLayout(this);
    layout->addStretch(1);
    layout->addLayout(strip);
}

void TransfersTabSheet::setThroughputTexts(const QString& down, const QString& up)
{
    m_down->setText(down);
    m_up->setText(up);
}
