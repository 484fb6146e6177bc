// Every file the program writes (pictures, recordings, data) goes through here, so that none of
// them can damage the file system or report a failed write as a success:
//  - "-" is standard output (refused if standard output was closed when the program started);
//  - an existing path that is not a regular file (a device such as /dev/null, a named pipe, a
//    socket) is written in place, straight through, and never removed or replaced;
//  - anything else (a regular file, or a name that does not exist yet) is written to a temporary
//    file in its folder, which replaces it only once everything has been written and synced: until
//    then the old file is untouched, and on failure nothing new is left behind. The temporary has
//    no name at all where the file system allows it (so that even a killed program leaves
//    nothing), and a short one otherwise, removed on SIGINT, SIGTERM and SIGHUP. The new file
//    keeps the old one's mode, and its owner and group when the program may set them.
// File names are bytes, taken as they come. Symbolic links are followed as the kernel's
// protected-symlinks rule allows, whether the kernel applies it or not: in a sticky folder that
// anyone may write to (/tmp), only a link of the user's own or of the folder's owner. Every write
// is checked to its last byte, and so are the sync, the close and the rename.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <string_view>

class Output {
  public:
    Output() = default;
    ~Output();  // cancels an output that was not committed
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    // Finds the file `name` names and what kind it is, creating and changing nothing. On failure
    // returns false and sets `error`, one line that names the file.
    bool Locate(const std::string& name, std::string& error);
    // Opens the output found by Locate. `mayWait`: a named pipe with no reader yet is waited for
    // (a command line, as a shell redirection does); otherwise it is refused at once (a window
    // must not freeze).
    bool Create(std::string& error, bool mayWait = true);
    bool Open(const std::string& name, std::string& error, bool mayWait = true) {
        return Locate(name, error) && Create(error, mayWait);
    }
    // Whether two located outputs would write the same file (the same inode, or the same name in
    // the same folder).
    bool SameFileAs(const Output& other) const;

    bool Write(const char* data, std::size_t size, std::string& error);
    bool Write(std::string_view bytes, std::string& error) {
        return Write(bytes.data(), bytes.size(), error);
    }

    // Makes the output final: syncs and closes it, and puts an atomic file in place.
    bool Commit(std::string& error);

    // Gives up: a temporary file is removed; an output written in place keeps what it got.
    void Cancel();

    bool IsLocated() const { return located_; }
    bool IsOpen() const { return fd_ >= 0; }
    const std::string& name() const { return name_; }

    // Whether temporaries may be unnamed files (the default); tests turn it off to see the named
    // ones removed on a signal.
    static void AllowUnnamedTemporaries(bool allow);

  private:
    enum class Kind { Stdout, InPlace, Atomic };
    std::string Problem(const std::string& reason) const;
    std::string ErrnoProblem(int err) const;
    bool NameTemporary(std::string& error);
    void Remember(const std::string& name);
    void Forget();

    std::string name_;
    bool located_ = false;
    Kind kind_ = Kind::Atomic;
    int fd_ = -1;
    int dir_ = -1;      // the folder of the file (an O_PATH descriptor)
    std::string base_;  // the file's name in that folder
    bool exists_ = false;
    mode_t type_ = 0;
    dev_t device_ = 0;  // the file's inode, or its folder's for a new file
    ino_t inode_ = 0;
    uid_t owner_ = 0;
    gid_t group_ = 0;
    mode_t mode_ = 0;
    bool unnamed_ = false;  // the temporary has no name yet
    std::string temp_;      // or its name in the folder
    int slot_ = -1;         // and its entry in the list the signal handler removes
};

// The whole of `bytes` into `name`, by the rules above.
bool WriteOutput(const std::string& name, std::string_view bytes, std::string& error,
                 bool mayWait = true);

// Opens descriptors 0, 1 and 2 on /dev/null where they are closed, so that no file the program
// opens takes their number. Call it first. Returns false if that was impossible.
bool ReopenStandardDescriptors();

// From now on SIGINT, SIGTERM and SIGHUP (unless ignored) remove the named temporaries of outputs
// still open, then end the program by the same signal (status 128 + its number, for a shell).
void RemoveTemporariesOnSignals();

// The reason for an errno value, in French, for a message to the user.
std::string OutputErrorText(int err);

// A file name for a message: as it is where it is printable UTF-8, with \xHH for control
// characters (a newline cannot split the message) and for bytes that are not UTF-8.
std::string QuotedName(std::string_view name);
