#include "ui/clientstatusbar.h"

#include <QLabel>

namespace {

struct PanelLayout {
    int width;
    Qt::Alignment alignment;
};

constexpr Qt::Alignment Left = Qt::AlignLeft | Qt::AlignVCenter;
constexpr Qt::Alignment Right = Qt::AlignRight | Qt::AlignVCenter;

// Width of each panel in pixels; the stretch panel's is its least width.
constexpr std::array<PanelLayout, ClientStatusBar::PanelCount> Layouts{{
    {120, Right},
    {120, Left},
    {130, Left},
    {130, Left},
    {175, Left},
    {200, Left},
    {70, Right},
}};

} // namespace

ClientStatusBar::ClientStatusBar(QWidget* parent)
    : QStatusBar(parent)
{
    setObjectName(QStringLiteral("ClientStatusBar"));
    for (int i = 0; i < PanelCount; ++i) {
        auto* label = new QLabel(this);
        label->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        label->setAlignment(Layouts[i].alignment);
        label->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        label->setMargin(2);
        // Texts that outgrow a panel are cut at its edge instead of widening it.
        label->setMinimumWidth(Layouts[i].width);
        if (i == StretchPanel) {
            addWidget(label, 1);
        } else {
            label->setMaximumWidth(Layouts[i].width);
            addWidget(label);
        }
        m_panels[i] = label;
    }
}

void ClientStatusBar::setPanelText(int panel, const QString& text)
{
    if (QLabel* label = panelLabel(panel))
        label->setText(text);
}

QString ClientStatusBar::panelText(int panel) const
{
    const QLabel* label = panelLabel(panel);
    return label ? label->text() : QString();
}

QLabel* ClientStatusBar::panelLabel(int panel) const
{
    return panel >= 0 && panel < PanelCount ? m_panels[panel] : nullptr;
}
