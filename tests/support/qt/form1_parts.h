#pragma once
// The main window as the program puts it together, for tests: the real player engine and the
// real update adapters, owned here for as long as the window lives.

#include <string>
#include <vector>

#include "app/form1.h"
#include "player/vlc_engine.h"
#include "update/curl_download.h"
#include "update/qt_update.h"
#include "update/update_folders.h"

namespace qctest {

struct Form1Adapters {
    qc::CurlDownload download;
    qc::QtUpdateFolders folders;
    qc::DetachedLauncher launcher;

    qc::Form1Parts parts(std::string updateAddress = {}, const std::vector<std::string>& engineArgs = {}) {
        return {qc::startPlayerEngine(engineArgs), {download, folders, launcher}, std::move(updateAddress)};
    }
};

}  // namespace qctest
