#pragma once

// The one place where wire bytes become display text and back, and where local file paths
// become wire paths and back. See wiretext.cpp for the decisions.

#include <QByteArray>
#include <QString>

// Bytes from the network or from a stored file become display text: UTF-8 when the bytes are
// valid UTF-8, else Windows-1252 (every byte maps to one character, so nothing is lost).
QString WireToDisplay(const QByteArray& bytes);
// Text typed by the user goes out as UTF-8.
QByteArray DisplayToWire(const QString& text);

// A local path is kept as the bytes the file system holds (see "File names versus wire bytes"
// in wiretext.cpp). On the wire the separators are backslashes.
QByteArray LocalPathToWire(const QByteArray& nativePath);
// Only swaps the separators back, for looking a requested name up in the shared file list.
// The result is NOT a safe local path (it may be absolute or hold ".."): never open it as is.
QByteArray WirePathToLocal(const QByteArray& wirePath);

// Reduces a name that came from the network to a plain file name: NUL bytes removed, then
// only the part after the last '\\', '/' or ':'. Returns empty for a name that leaves nothing
// usable ("", ".", ".."); callers treat empty as "refuse this name".
QByteArray SafeFileName(const QByteArray& remoteName);
