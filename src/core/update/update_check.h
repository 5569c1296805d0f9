#pragma once
// The update check in its two forms: the interactive one behind Image3Click and the silent one
// behind Timer1Timer. They follow one procedure and differ only in what they say.

#include <string>
#include <string_view>

#include "core/ports/update_ports.h"

namespace qc {

inline constexpr std::string_view kDownloadFailedText = "网络连接失败，请稍候重试。";
inline constexpr std::string_view kUpToDateText = "已经是最新版本，谢谢。";
inline constexpr std::string_view kAskToUpdateText = "检测到有新版本可供升级，马上升级？";
inline constexpr std::string_view kNewVersionText = "晴川检测到有新版本可供升级。";

inline constexpr std::string_view kDescriptorFileName = "update.txt";
inline constexpr std::string_view kUpdaterFileName = "update.exe";

struct UpdatePorts {
    std::string address;  // the descriptor's address, given by main (fixed at build time)
    Download& download;
    Memo& m;
    MessageBoxes& boxes;
    UpdateHost& host;
    UpdateFolders& folders;
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

// Where the descriptor is downloaded to: the executable's folder when this user may write there,
// otherwise the program's folder in the user's cache, created when missing. Empty when that folder
// can't be made.
std::string descriptorPath(UpdateFolders& folders);

// The updater beside the executable, else the one in the private library folder; when there is
// neither, the path beside the executable (its start then fails, unexamined).
std::string updaterPath(const UpdateFolders& folders);

// Image3Click: every outcome is reported.
void interactiveCheck(UpdatePorts& ports);
// Timer1Timer: disables Timer1 first; speaks only when the tags differ.
void silentCheck(UpdatePorts& ports, Timer& Timer1);

}  // namespace qc
