#pragma once

// The tagged lines that channel traffic writes into a channel page, and the small tables
// behind them (the colour and icon of a line speed, the user count label). Pure functions:
// the handlers pass the time of handling, so that tests can fix it.
//
// Lines are bytes, as they came from the wire: a nickname or a text is copied in unchanged,
// whatever it holds, and only the output view decodes it. The time stamp and the other
// fixed parts use the tags of irctags.h.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QTime>
#include <functional>

// The local time of day at which a message is handled; tests fix it.
using ChatClock = std::function<QTime()>;

namespace ChannelLines {

// The colour tag followed by colour numbers ("12", "51,0", "-1"): ColorTag("9") is "\x039".
QByteArray ColorTag(QByteArrayView numbers);
// "\x039[hh:mm] ": the lime time stamp at the front of most chat lines.
QByteArray TimeStamp(QTime time);

// Palette number of a line speed in join and part lines and in the whois window. A code
// outside 0..10 (-1 from LineSpeedCodeFromText for a field that is not a code) is drawn like
// code 0, "Unknown", whose name it is shown with.
int SpeedColorNumber(int code);
// The speed icon of a user list row: 0 for codes 0..3, 1 for 4..7, 2 for 8..10; 0 for a
// code outside 0..10.
int SpeedIconNumber(int code);

// 403: "[hh:mm] <nick> text", the brackets blue, the nickname yellow for our own nickname
// (exact comparison) and gray otherwise, the text in the view's default colours.
QByteArray PublicMessageLine(QTime time, QByteArrayView nickname, QByteArrayView text, bool own);
// 406 and 407: "* nick (speed) [sharing n files] has joined." in green, or "... has left." in
// maroon, the speed in its own colour. The speed field is the line-speed code as received.
QByteArray JoinLine(QTime time, QByteArrayView nickname, QByteArrayView shared,
                    QByteArrayView speedCode);
QByteArray PartLine(QTime time, QByteArrayView nickname, QByteArrayView shared,
                    QByteArrayView speedCode);
// 410: the one line of the topic view.
QByteArray TopicLine(QByteArrayView channel, QByteArrayView topic);
// 824: "[hh:mm] * nick text", all of it after the time stamp in blue.
QByteArray EmoteLine(QTime time, QByteArrayView nickname, QByteArrayView text);

// " Channel " + name + ": " + count + " user(s)", where the name is the page caption's text
// after its first space.
QString ChannelLabel(const QString& caption, int userCount);

} // namespace ChannelLines
