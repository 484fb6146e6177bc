#include "desktop/documents.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

QStringList DocumentSearchPath() {
    QStringList dirs;
    auto add = [&dirs](const QString& dir) {
        const QString clean = QDir::cleanPath(dir);
        if (!clean.isEmpty() && !dirs.contains(clean)) dirs << clean;
    };
    const QString programDir = QCoreApplication::instance() != nullptr
                                   ? QDir(QCoreApplication::applicationDirPath()).canonicalPath()
                                   : QString();
    // An installed program finds its data beside it (wherever the package was installed).
    if (!programDir.isEmpty()) add(programDir + QStringLiteral("/../share/table-tracante"));
    add(QStringLiteral(TT_INSTALL_DATA_DIR));
    // A program still in its build tree uses the repository's documents.
    const QString buildDir = QDir(QStringLiteral(TT_BUILD_DIR)).canonicalPath();
    if (!programDir.isEmpty() && !buildDir.isEmpty() &&
        (programDir == buildDir || programDir.startsWith(buildDir + QLatin1Char('/')))) {
        add(QStringLiteral(TT_SOURCE_DATA_DIR));
    }
    return dirs;
}

DocumentFile ReadDocumentFile(const QString& name) {
    DocumentFile doc;
    QFileInfo info(name);
    QStringList searched;  // the program's own folders, tried after the current directory
    if (!info.exists() && info.isRelative()) {
        searched = DocumentSearchPath();
        for (const QString& dir : searched) {
            const QFileInfo candidate(QDir(dir).filePath(name));
            if (candidate.exists()) {
                info = candidate;
                break;
            }
        }
    }
    doc.path = info.exists() ? info.absoluteFilePath() : QDir::current().absoluteFilePath(name);

    if (!info.exists()) {
        doc.error =
            searched.isEmpty()
                ? QStringLiteral("fichier introuvable")
                : QStringLiteral("fichier introuvable (cherché dans le dossier courant et dans %1)")
                      .arg(searched.join(QStringLiteral(", ")));
        return doc;
    }
    if (info.isDir()) {
        doc.error = QStringLiteral("c'est un dossier, pas un document");
        return doc;
    }
    // A named pipe, a socket or a device would make open() or read() wait for a writer that
    // may never come, and the window with it.
    if (!info.isFile()) {
        doc.error = QStringLiteral("ce n'est pas un fichier ordinaire (tube, périphérique…)");
        return doc;
    }
    if (info.size() > kMaxDocumentBytes) {
        doc.error = QStringLiteral("document trop volumineux (%1 octets ; limite : %2 octets)")
                        .arg(info.size())
                        .arg(kMaxDocumentBytes);
        return doc;
    }
    QFile file(doc.path);
    if (!file.open(QIODevice::ReadOnly)) {
        doc.error = QStringLiteral("lecture impossible (%1)").arg(file.errorString());
        return doc;
    }
    // The size may have changed since it was checked (a growing file, a device): read no more
    // than the limit allows and refuse what goes beyond.
    doc.bytes = file.read(kMaxDocumentBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        doc.error = QStringLiteral("lecture impossible (%1)").arg(file.errorString());
        doc.bytes.clear();
    } else if (doc.bytes.size() > kMaxDocumentBytes) {
        doc.error =
            QStringLiteral("document trop volumineux (plus de %1 octets)").arg(kMaxDocumentBytes);
        doc.bytes.clear();
    } else if (doc.bytes.isEmpty()) {
        // A file emptied by mistake (a failed copy, a full disk) would blank the page.
        doc.error = QStringLiteral("le document est vide");
    }
    return doc;
}
