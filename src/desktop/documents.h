// Finding and reading the commentary documents.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Documents larger than this are refused: a commentary page is a few kilobytes, and laying out
// megabytes of text would freeze the window.
inline constexpr qint64 kMaxDocumentBytes = 2 * 1024 * 1024;

// Directories tried, in order, for a document that is not in the current directory: the
// installed data directory, the one beside an installed executable, and the source tree's data/.
QStringList DocumentSearchPath();

struct DocumentFile {
    QString path;      // where it was found (or looked for first)
    QByteArray bytes;  // its content when ok
    QString error;     // empty when ok: the reason, in French, for a message to the user
    bool ok() const { return error.isEmpty(); }
};

// Looks the name up in the current directory first, then along DocumentSearchPath(), and
// reads it.
DocumentFile ReadDocumentFile(const QString& name);
