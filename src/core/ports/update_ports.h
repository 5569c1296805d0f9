#pragma once
// What the update check needs of the world: the download, the hidden memo, the boxes, the main
// window and the program, the folders it keeps its files in, the updater's start and the start-up
// timer.

#include <string>

namespace qc {

// Fetches the resource at `address` into the file `path`; true when that succeeded. A failure of
// any kind is false, never an exception.
class Download {
public:
    virtual ~Download() = default;
    virtual bool DownloadFile(const std::string& address, const std::string& path) = 0;
};

// The hidden memo m: a text buffer holding GBK bytes, lines separated by CR LF.
class Memo {
public:
    virtual ~Memo() = default;
    virtual void setText(const std::string& gbk) = 0;
    virtual std::string text() const = 0;
};

enum class MessageKind { Information, Confirmation };

// Modal boxes with one "OK" button; show() returns however the box was closed.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    virtual void show(MessageKind kind, const std::string& textUtf8) = 0;
};

// What the check needs of the main window and of the running program.
class UpdateHost {
public:
    virtual ~UpdateHost() = default;
    virtual std::string caption() const = 0;  // UTF-8
    virtual void closeMainWindow() = 0;       // ends the program once the handler returns
};

// The folders the check may keep the descriptor in and find the updater in. Every folder ends with
// a path separator.
class UpdateFolders {
public:
    virtual ~UpdateFolders() = default;
    virtual std::string executableFolder() const = 0;
    // The installed program's own library folder (…/lib/qingchuan/ beside the executable's bin/).
    virtual std::string privateLibraryFolder() const = 0;
    // The program's own folder in the user's cache; it may not exist yet.
    virtual std::string cacheFolder() const = 0;
    // Whether this user may create and replace files in the folder.
    virtual bool canWriteTo(const std::string& folder) const = 0;
    // Creates the folder and its parents where missing, for this user alone; false when it can't.
    virtual bool makeFolder(const std::string& folder) = 0;
    virtual bool isFile(const std::string& path) const = 0;
};

// Starts a program by its full path as a separate process; the result is not examined.
class ProcessLauncher {
public:
    virtual ~ProcessLauncher() = default;
    virtual void startDetached(const std::string& program) = 0;
};

class Timer {
public:
    virtual ~Timer() = default;
    virtual void disable() = 0;
};

}  // namespace qc
