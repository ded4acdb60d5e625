#include "ui/splashscreen.h"

#include "ui/appicon.h"
#include "ui/appinfo.h"

#include <QLinearGradient>
#include <QPainter>
#include <QScreen>
#include <QTimer>

using namespace Qt::StringLiterals;

TSplashScreen::TSplashScreen(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
    , m_timer(new QTimer(this))
{
    setObjectName(u"SplashScreen"_s);
    setFixedSize(500, 250);
    setWindowModality(Qt::ApplicationModal);
    // A splash that closes is never a reason to end the program.
    setAttribute(Qt::WA_QuitOnClose, false);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &TSplashScreen::onTimer);
}

void TSplashScreen::start()
{
    m_shown = false;
    m_timer->start(DelayMs);
}

bool TSplashScreen::isPending() const
{
    return m_timer->isActive();
}

void TSplashScreen::onTimer()
{
    if (m_shown) {
        close();
        return;
    }
    m_shown = true;
    // Centred on the main window; on the screen when there is none.
    const QWidget* over = parentWidget();
    const QRect area =
        over && over->isVisible() ? over->frameGeometry() : screen()->availableGeometry();
    move(area.center() - rect().center());
    show();
    raise();
    m_timer->start(ShownMs);
}

void TSplashScreen::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area = rect();

    QLinearGradient background(area.topLeft(), area.bottomRight());
    background.setColorAt(0, QColor(0x1d, 0x4e, 0x6b));
    background.setColorAt(1, QColor(0x0b, 0x1f, 0x2c));
    painter.fillRect(area, background);

    const int iconSize = 128;
    painter.drawPixmap(40, (height() - iconSize) / 2, drawAppIcon(iconSize));

    painter.setPen(Qt::white);
    QFont title = font();
    title.setPointSize(32);
    title.setBold(true);
    painter.setFont(title);
    const QRectF text(200, 70, width() - 220, 60);
    painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, AppInfo::name());

    QFont subtitle = font();
    subtitle.setPointSize(12);
    painter.setFont(subtitle);
    painter.setPen(QColor(0xf2, 0xa5, 0x41));
    painter.drawText(QRectF(200, 130, width() - 220, 24), Qt::AlignLeft | Qt::AlignVCenter,
                     u"Version "_s + AppInfo::version());
    painter.setPen(QColor(0xd0, 0xe4, 0xee));
    painter.drawText(QRectF(200, 156, width() - 220, 24), Qt::AlignLeft | Qt::AlignVCenter,
                     u"OpenNap file sharing and chat"_s);

    painter.setPen(QColor(255, 255, 255, 60));
    painter.drawRect(area.adjusted(0.5, 0.5, -0.5, -0.5));
}
