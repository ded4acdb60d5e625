#pragma once

#include <QObject>
#include <QTemporaryDir>

class TestMPEGAudio final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    // Files made by an encoder: values follow from the encoding options.
    void lameFiles_data();
    void lameFiles();

    // Hand-built header pairs: every version and layer, frame lengths and playing times.
    void headerPairs_data();
    void headerPairs();
    void xingHeaders_data();
    void xingHeaders();
    void truncatedXingHeader_data();
    void truncatedXingHeader();
    void id3v1Tags_data();
    void id3v1Tags();

    // The search: what is passed over, where it goes on, block edges.
    void filesWithoutAudio_data();
    void filesWithoutAudio();
    void invalidHeadersNeverAccepted_data();
    void invalidHeadersNeverAccepted();
    void searchResumesOneByteAfterRejectedCandidate();
    void pairAcrossBlockEdges_data();
    void pairAcrossBlockEdges();

    // Paths and the file system.
    void missingOrSpecialPaths_data();
    void missingOrSpecialPaths();
    void invalidUtf8NameOpens();
    void relativePathIsExpanded();
    void instanceReuseResetsFields();
    void sparseFileAbove4GiB_data();
    void sparseFileAbove4GiB();
    void fileShrinkingWhileRead();

private:
    QString writeFile(const QString& name, const QByteArray& bytes) const;

    QTemporaryDir m_dir;
    QString m_lame;
};
