#pragma once

// TMPEGAudio: reads an MPEG audio file's bitrate, sample rate and playing time from the file
// itself, for announcing shared files. See mpegaudio.cpp for how the file is searched.
//
// Setting a file name inspects that file at once, synchronously. Any file may be given: a file
// that is missing, unreadable, not MPEG audio or broken yields zero values, never an error.
// The inspection never runs the event loop, so it belongs in a worker thread; an instance is
// used by one thread at a time (each worker keeps its own), and instances share nothing.
//
// Callers need fileName()/nativeFileName(), length(), bitRate(), sampleRate() and duration();
// the other fields describe the accepted frame header and the ID3v1 tag.

#include "sharing/blockfilereader.h"

#include <QByteArray>
#include <QString>

class TMPEGAudio final {
    Q_DISABLE_COPY_MOVE(TMPEGAudio)

public:
    // bitRate() of a file whose first frame carries a Xing header (variable bitrate).
    static constexpr int VariableBitRate = -1;

    TMPEGAudio();
    ~TMPEGAudio();

    // Resets every field, keeps the path made absolute and inspects the file. The byte form is
    // the one to use for paths that came from the file system: it opens names that are not
    // valid UTF-8. The text form is for paths typed or picked by the user.
    void setFileName(const QByteArray& nativePath);
    void setFileName(const QString& path);

    // The absolute path of the last file set, with "." and ".." segments resolved as text.
    QByteArray nativeFileName() const { return m_fileName; }
    QString fileName() const;

    // Size in bytes; 0 when the file is missing, unreadable or 5 bytes or smaller.
    qint64 length() const { return m_length; }
    // 1 MPEG-1, 2 MPEG-2, 3 MPEG-2.5; 0 when no header pair was accepted.
    int version() const { return m_version; }
    int layer() const { return m_layer; }
    int sampleRate() const { return m_sampleRate; }
    // kbit/s; VariableBitRate with a Xing header; 0 for no MPEG audio.
    int bitRate() const { return m_bitRate; }
    // Channel mode: 0 stereo, 1 joint stereo, 2 dual channel, 3 single channel.
    int mode() const { return m_mode; }
    // The header's bits as stored: protection (1 = no CRC), padding, copyright and original.
    int protectionBit() const { return m_protectionBit; }
    int paddingBit() const { return m_paddingBit; }
    int copyrightBit() const { return m_copyrightBit; }
    int originalBit() const { return m_originalBit; }
    // Bytes of one frame; with a Xing header the average, length() / frame count.
    qint64 frameLength() const { return m_frameLength; }
    // Playing time in whole seconds.
    qint64 duration() const { return m_duration; }
    // File offset of the first header of the accepted pair; -1 when none was accepted.
    qint64 headerOffset() const { return m_headerOffset; }

    // From the ID3v1 tag. Without a tag the title is the file's name (at most 30 characters).
    QString title() const { return m_title; }
    QString artist() const { return m_artist; }
    QString album() const { return m_album; }
    QString year() const { return m_year; }
    QString comment() const { return m_comment; }
    int track() const { return m_track; }
    // 255 (ID3v1's "none") without a tag.
    int genre() const { return m_genre; }

private:
    void reset();
    void inspect();
    // Searches from `from` for a header with a valid partner one frame on; returns its offset or
    // -1, and leaves the fields holding the partner's values.
    qint64 findHeaderPair(qint64 from);
    // Takes the fields from the second header of the accepted pair.
    void acceptPair(quint32 secondHeader);
    void readXingHeader(qint64 headerOffset);
    void readId3v1Tag();
    QString shortName() const;

    BlockFileReader m_reader;

    QByteArray m_fileName;
    qint64 m_length = 0;
    int m_version = 0;
    int m_layer = 0;
    int m_sampleRate = 0;
    int m_bitRate = 0;
    int m_mode = 0;
    int m_protectionBit = 0;
    int m_paddingBit = 0;
    int m_copyrightBit = 0;
    int m_originalBit = 0;
    qint64 m_frameLength = 0;
    qint64 m_duration = 0;
    qint64 m_headerOffset = -1;
    QString m_title;
    QString m_artist;
    QString m_album;
    QString m_year;
    QString m_comment;
    int m_track = 0;
    int m_genre = 255;
};
