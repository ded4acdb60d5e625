#pragma once

#include <QObject>

class TestFrameReader : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Without sockets: the reader alone, fed the same bytes cut in every way.
    void sameFramesHoweverTheStreamIsCut_data();
    void sameFramesHoweverTheStreamIsCut();
    void partialFrameStaysPending_data();
    void partialFrameStaysPending();
    void int32Length_data();
    void int32Length();

    // Over loopback, against the fake server.
    void serverChunkedWritesYieldTheScriptedFrames_data();
    void serverChunkedWritesYieldTheScriptedFrames();
    void serverRecordsFramesPerConnection();
    void serverAutoReplies();
    void stalledServerLeavesReaderPending();
    void serverCloseMidFrameLeavesPartialFrame_data();
    void serverCloseMidFrameLeavesPartialFrame();
    void serverAbortEndsClientConnection();
};
