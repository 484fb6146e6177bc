// Every file the program writes (pictures, recordings, data) goes through here, so that none of
// them can damage the file system or report a failed write as a success:
//  - "-" is standard output;
//  - an existing path that is not a regular file (a device such as /dev/null, a named pipe, a
//    socket) is written in place, straight through, and never removed or replaced;
//  - anything else (a regular file, or a name that does not exist yet) is written to a temporary
//    file beside it, which replaces it only once everything has been written and synced: until
//    then the old file is untouched, and on failure nothing new is left behind.
// A symbolic link is followed to its target. Every write is checked to its last byte, and so are
// the sync, the close and the rename.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <string>

class Output {
  public:
    Output() = default;
    ~Output();  // cancels an output that was not committed
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    // Opens the output. `mayWait`: a named pipe with no reader yet is waited for (a command
    // line, as a shell redirection does); otherwise it is refused at once (a window must not
    // freeze). On failure returns false and sets `error`, one line that names the file.
    bool Open(const QString& name, QString& error, bool mayWait = true);

    bool Write(const char* data, std::size_t size, QString& error);
    bool Write(const QByteArray& bytes, QString& error) {
        return Write(bytes.constData(), static_cast<std::size_t>(bytes.size()), error);
    }

    // Makes the output final: syncs and closes it, and puts an atomic file in place.
    bool Commit(QString& error);

    // Gives up: a temporary file is removed; an output written in place keeps what it got.
    void Cancel();

    bool IsOpen() const { return fd_ >= 0; }
    const QString& name() const { return name_; }

  private:
    enum class Kind { Stdout, InPlace, Atomic };
    QString Problem(const QString& reason) const;
    QString ErrnoProblem(int err) const;

    QString name_;
    Kind kind_ = Kind::Atomic;
    int fd_ = -1;
    std::string target_;  // the file an atomic output replaces
    std::string temp_;    // the temporary file it is written to
};

// The whole of `bytes` into `name`, by the rules above.
bool WriteOutput(const QString& name, const QByteArray& bytes, QString& error, bool mayWait = true);

// The reason for an errno value, in French, for a message to the user.
QString OutputErrorText(int err);
