#include "chat/channellines.h"

#include "config/fixedtables.h"
#include "protocol/wiretext.h"

#include <array>

using namespace Qt::StringLiterals;

namespace ChannelLines {

namespace {

// Indexed by line-speed code: gray, green, maroon, teal, purple, blue, white, red, fuchsia,
// yellow, lime.
constexpr std::array<int, LineSpeedCount> SpeedColors = {14, 3, 4, 10, 6, 12, 0, 7, 13, 8, 9};

bool IsLineSpeedCode(int code)
{
    return code >= 0 && code < LineSpeedCount;
}

QByteArray Number(int n)
{
    return QByteArray::number(n);
}

// The part shared by join and part lines; `colour` is the colour number of the star and of
// the sharing words.
QByteArray PresenceLine(QTime time, QByteArrayView nickname, QByteArrayView shared,
                        QByteArrayView speedCode, QByteArrayView colour, QByteArrayView ending)
{
    const int code = LineSpeedCodeFromText(speedCode);
    QByteArray line = TimeStamp(time);
    line += ColorTag(colour);
    line += "* ";
    line += nickname;
    line += ' ';
    line += ColorTag(Number(SpeedColorNumber(code)));
    line += '(';
    line += DisplayToWire(LineSpeedName(code));
    line += ") ";
    line += ColorTag(colour);
    line += "[sharing ";
    line += shared;
    line += ending;
    return line;
}

} // namespace

QByteArray ColorTag(QByteArrayView numbers)
{
    QByteArray tag(1, '\x03');
    tag += numbers;
    return tag;
}

QByteArray TimeStamp(QTime time)
{
    return ColorTag("9") + '[' + time.toString(u"hh:mm"_s).toLatin1() + "] ";
}

int SpeedColorNumber(int code)
{
    return SpeedColors[size_t(IsLineSpeedCode(code) ? code : 0)];
}

int SpeedIconNumber(int code)
{
    return IsLineSpeedCode(code) ? code / 4 : 0;
}

QByteArray PublicMessageLine(QTime time, QByteArrayView nickname, QByteArrayView text, bool own)
{
    QByteArray line = TimeStamp(time);
    line += ColorTag("12");
    line += '<';
    line += ColorTag(own ? "8" : "14");
    line += nickname;
    line += ColorTag("12");
    line += '>';
    line += ColorTag("-1");
    line += ' ';
    line += text;
    return line;
}

QByteArray JoinLine(QTime time, QByteArrayView nickname, QByteArrayView shared,
                    QByteArrayView speedCode)
{
    return PresenceLine(time, nickname, shared, speedCode, "3", " files] has joined.");
}

QByteArray PartLine(QTime time, QByteArrayView nickname, QByteArrayView shared,
                    QByteArrayView speedCode)
{
    return PresenceLine(time, nickname, shared, speedCode, "4", " files] has left.");
}

QByteArray TopicLine(QByteArrayView channel, QByteArrayView topic)
{
    QByteArray line = ColorTag("3");
    line += "Topic for ";
    line += channel;
    line += ": ";
    line += ColorTag("-1");
    line += topic;
    return line;
}

QByteArray EmoteLine(QTime time, QByteArrayView nickname, QByteArrayView text)
{
    QByteArray line = TimeStamp(time);
    line += ColorTag("12");
    line += "* ";
    line += nickname;
    line += ' ';
    line += text;
    return line;
}

QString ChannelLabel(const QString& caption, int userCount)
{
    // Without a space, indexOf gives -1 and the name is the whole caption.
    const QString name = caption.mid(caption.indexOf(u' ') + 1);
    return u" Channel "_s + name + u": "_s + QString::number(userCount) + u" user(s)"_s;
}

} // namespace ChannelLines
