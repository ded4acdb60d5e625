#pragma once

// A UserPrompts that records every box and answers from queues the test fills.
//
//   RecordingPrompts prompts;
//   prompts.confirmAnswers = {true};          // next confirm() says OK
//   prompts.inputAnswers = {u"Net2"_s};       // next inputText() returns "Net2"
//   ...
//   QCOMPARE(prompts.texts(RecordingPrompts::Kind::Information), QStringList{u"..."_s});
//
// With an empty queue, confirm() answers false and inputText() is cancelled, so a test that
// forgot to script an answer sees "nothing happened" rather than a stored change.

#include "config/userprompts.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class RecordingPrompts final : public UserPrompts {
public:
    enum class Kind { Information, Warning, Confirm, Input, OpenWithDesktop };

    struct Call {
        Kind kind;
        QString text; // text of the box; prompt of an input box; target of an open
        QString caption;
        QString preset; // input boxes only
    };

    QList<Call> calls;
    QList<bool> confirmAnswers;
    QList<std::optional<QString>> inputAnswers;

    void information(const QString& text, const QString& caption = {}) override
    {
        calls.append({Kind::Information, text, caption, {}});
    }
    void warning(const QString& text, const QString& caption = {}) override
    {
        calls.append({Kind::Warning, text, caption, {}});
    }
    bool confirm(const QString& text, const QString& caption) override
    {
        calls.append({Kind::Confirm, text, caption, {}});
        return confirmAnswers.isEmpty() ? false : confirmAnswers.takeFirst();
    }
    std::optional<QString> inputText(const QString& caption, const QString& prompt,
                                     const QString& preset = {}) override
    {
        calls.append({Kind::Input, prompt, caption, preset});
        return inputAnswers.isEmpty() ? std::nullopt : inputAnswers.takeFirst();
    }
    void openWithDesktop(const QString& target) override
    {
        calls.append({Kind::OpenWithDesktop, target, {}, {}});
    }

    // Texts of the recorded calls of one kind, in order.
    QStringList texts(Kind kind) const
    {
        QStringList out;
        for (const Call& call : calls) {
            if (call.kind == kind)
                out.append(call.text);
        }
        return out;
    }
    void clear() { calls.clear(); }
};
