#pragma once

// The rules of a chat page's input line, over its text, caret and selection: nickname
// completion (Tab), command completion (after a key release), tag insertion (Ctrl+B/K/R/U),
// the input history (Up and Down) and the page numbers of Alt+digit and Ctrl+digit. The input
// widget reads its state, calls these and writes the result back.

#include <QString>
#include <QStringList>
#include <optional>

struct InputLineState {
    QString text;
    qsizetype caret = 0;
    // The selected characters; an empty selection when selectionLength is 0.
    qsizetype selectionStart = 0;
    qsizetype selectionLength = 0;

    friend bool operator==(const InputLineState&, const InputLineState&) = default;
};

namespace InputLine {

// Tab on a channel page. Nothing changes when the text is empty or is a command name without
// a space yet. Otherwise the word after the last space is matched (WildcardMatch, word + "*")
// against the nicknames in display order; with exactly one match the text becomes everything
// up to and including the last space, the nickname and a space, with the caret at the end.
// With none or several the text stays and the caret goes back where it was (the selection is
// dropped either way).
InputLineState CompleteNickname(const InputLineState& state, const QStringList& nicknames);

// After a key release (not Backspace): a text of more than one character that starts with "/"
// and holds no space, whose rest starts exactly one of the 26 command names (WildcardMatch,
// rest + "*"), becomes "/" + that name in lower case, with the caret where it was and the
// completed rest selected. Nothing in every other case.
std::optional<InputLineState> CompleteCommand(const InputLineState& state);

// Ctrl+B, Ctrl+K, Ctrl+R, Ctrl+U: the tag replaces the selection or goes in at the caret.
InputLineState InsertText(const InputLineState& state, const QString& inserted);

// Up: the current text goes to the front of the history and the newest entry comes out of
// the back of it, with the caret at its end. Nothing when the history is empty.
bool HistoryUp(QStringList& history, InputLineState& state);
// Down: the current text goes to the back of the history and the oldest entry comes out of
// its front. Nothing when the history is empty.
bool HistoryDown(QStringList& history, InputLineState& state);

// The page number that Alt+digit and Ctrl+digit select: 1..9 give 0..8, 0 gives 10 (the
// eleventh page); -1 for anything else.
int PageNumberForDigit(int digit);

} // namespace InputLine
