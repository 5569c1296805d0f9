#pragma once
// The update check in its two forms: the interactive one behind Image3Click and the silent one
// behind Timer1Timer. They follow one procedure and differ only in what they say.

#include <string>
#include <string_view>

namespace qc {

inline constexpr std::string_view kDownloadFailedText = "网络连接失败，请稍候重试。";
inline constexpr std::string_view kUpToDateText = "已经是最新版本，谢谢。";
inline constexpr std::string_view kAskToUpdateText = "检测到有新版本可供升级，马上升级？";
inline constexpr std::string_view kNewVersionText = "晴川检测到有新版本可供升级。";

inline constexpr std::string_view kDescriptorFileName = "update.txt";
inline constexpr std::string_view kUpdaterFileName = "update.exe";

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
    virtual std::string caption() const = 0;           // UTF-8
    virtual std::string executableFolder() const = 0;  // ends with a path separator
    virtual void closeMainWindow() = 0;                // ends the program once the handler returns
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

struct UpdatePorts {
    std::string address;  // the descriptor's address, a build-time constant
    Download& download;
    Memo& m;
    MessageBoxes& boxes;
    UpdateHost& host;
    ProcessLauncher& launcher;
};

// Bytes 17 to 20 (counting from 1) of the caption held as GBK; fewer when it is shorter.
std::string versionTag(std::string_view captionUtf8);

// The text a memo holds after loading a file with these bytes: CR LF, a lone LF and a lone CR each
// become one CR LF; the text ends at the first NUL, as window text does; every other byte (a
// byte-order mark included) is kept as it is, and so is a trailing line break.
std::string memoTextOf(std::string_view fileBytes);

// Replaces the memo's text with the file's, loaded as above. Throws when the file can't be read.
void loadFromFile(Memo& m, const std::string& path);

// The first four bytes of the text, fewer when it is shorter.
std::string descriptorTag(std::string_view memoText);

// Image3Click: every outcome is reported.
void interactiveCheck(UpdatePorts& ports);
// Timer1Timer: disables Timer1 first; speaks only when the tags differ.
void silentCheck(UpdatePorts& ports, Timer& Timer1);

}  // namespace qc
