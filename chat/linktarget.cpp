#include "chat/linktarget.h"

#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace {

bool HasUnsafeCharacter(const QString& target)
{
    for (const QChar c : target) {
        if (c.isSpace() || c.category() == QChar::Other_Control ||
            c.category() == QChar::Other_Format)
            return true;
    }
    return false;
}

// A local part without separators or quoting, one "@", then a dotted domain of letters,
// digits and hyphens (an ending dot, as in "ann@example.org." at the end of a sentence, is
// allowed: it is still the same domain).
bool IsMailAddress(const QString& target)
{
    static const QRegularExpression mail(
        uR"(^[^@/\\:;,<>()\[\]"'`]+@(?:[\p{L}\p{N}-]+\.)+[\p{L}\p{N}-]*$)"_s,
        QRegularExpression::UseUnicodePropertiesOption);
    return mail.match(target).hasMatch();
}

// Only a URL that kept the scheme we chose and names a host is handed on. Parsing is tolerant
// (stray characters in a chat URL are percent-encoded rather than refused); the scheme check
// is what keeps the target from being read as something else.
QUrl Checked(const QUrl& url, const QString& scheme)
{
    if (!url.isValid() || url.scheme() != scheme || url.host().isEmpty())
        return {};
    return url;
}

} // namespace

QUrl SafeLinkUrl(const QString& target)
{
    if (target.isEmpty() || HasUnsafeCharacter(target))
        return {};
    auto startsWith = [&target](QStringView prefix) {
        return target.startsWith(prefix, Qt::CaseInsensitive);
    };
    if (startsWith(u"http://") || startsWith(u"https://")) {
        const QUrl url(target);
        return Checked(url, startsWith(u"https://") ? u"https"_s : u"http"_s);
    }
    if (startsWith(u"ftp://"))
        return Checked(QUrl(target), u"ftp"_s);
    if (startsWith(u"www."))
        return Checked(QUrl(u"http://"_s + target), u"http"_s);
    if (startsWith(u"ftp."))
        return Checked(QUrl(u"ftp://"_s + target), u"ftp"_s);
    if (IsMailAddress(target)) {
        const QUrl url(u"mailto:"_s + target);
        if (url.isValid() && url.scheme() == u"mailto")
            return url;
    }
    return {};
}
