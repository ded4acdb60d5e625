#include "chat/inputline.h"

#include "config/fixedtables.h"
#include "protocol/wireformat.h"

using namespace Qt::StringLiterals;

namespace InputLine {

namespace {

// A command name being typed: "/" and no space yet.
bool isBareCommand(const QString& text)
{
    return text.startsWith(u'/') && !text.contains(u' ');
}

InputLineState caretOnly(const QString& text, qsizetype caret)
{
    InputLineState state;
    state.text = text;
    state.caret = qBound(qsizetype(0), caret, text.size());
    return state;
}

} // namespace

InputLineState CompleteNickname(const InputLineState& state, const QStringList& nicknames)
{
    const QString& text = state.text;
    if (text.isEmpty() || isBareCommand(text))
        return state;
    const qsizetype lastSpace = text.lastIndexOf(u' ');
    const QString head = text.left(lastSpace + 1);
    const QString pattern = text.mid(lastSpace + 1) + u'*';

    const QString* match = nullptr;
    for (const QString& nickname : nicknames) {
        if (!WildcardMatch(nickname, pattern))
            continue;
        if (match)
            return caretOnly(text, state.caret); // ambiguous: keep what was typed
        match = &nickname;
    }
    if (!match)
        return caretOnly(text, state.caret);
    const QString completed = head + *match + u' ';
    return caretOnly(completed, completed.size());
}

std::optional<InputLineState> CompleteCommand(const InputLineState& state)
{
    const QString& text = state.text;
    if (text.size() <= 1 || !isBareCommand(text))
        return std::nullopt;
    const QString pattern = text.mid(1) + u'*';
    QStringView match;
    for (QStringView name : ChatCommandNames) {
        if (!WildcardMatch(name.toString(), pattern))
            continue;
        if (!match.isNull())
            return std::nullopt;
        match = name;
    }
    if (match.isNull())
        return std::nullopt;
    InputLineState completed;
    completed.text = u'/' + match.toString().toLower();
    completed.caret = qBound(qsizetype(0), state.caret, completed.text.size());
    completed.selectionStart = completed.caret;
    completed.selectionLength = completed.text.size() - completed.caret;
    return completed;
}

InputLineState InsertText(const InputLineState& state, const QString& inserted)
{
    QString text = state.text;
    qsizetype at = qBound(qsizetype(0), state.caret, text.size());
    if (state.selectionLength > 0) {
        const qsizetype start = qBound(qsizetype(0), state.selectionStart, text.size());
        const qsizetype length = qMin(state.selectionLength, text.size() - start);
        text.remove(start, length);
        at = start;
    }
    text.insert(at, inserted);
    return caretOnly(text, at + inserted.size());
}

bool HistoryUp(QStringList& history, InputLineState& state)
{
    if (history.isEmpty())
        return false;
    history.prepend(state.text);
    state = caretOnly(history.takeLast(), 0);
    state.caret = state.text.size();
    return true;
}

bool HistoryDown(QStringList& history, InputLineState& state)
{
    if (history.isEmpty())
        return false;
    history.append(state.text);
    state = caretOnly(history.takeFirst(), 0);
    state.caret = state.text.size();
    return true;
}

int PageNumberForDigit(int digit)
{
    if (digit >= 1 && digit <= 9)
        return digit - 1;
    if (digit == 0)
        return 10;
    return -1;
}

} // namespace InputLine
