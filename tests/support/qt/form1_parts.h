#pragma once
// The main window as the program puts it together, for tests: the real player engine and the
// real update adapters, owned here for as long as the window lives.

#include <memory>
#include <string>
#include <vector>

#include "app/form1.h"
#include "player/libvlc/vlc_media_engine.h"
#include "player/qt_post.h"
#include "update/curl_download.h"
#include "update/qt_update.h"
#include "update/update_folders.h"

namespace qctest {

struct Form1Adapters {
    std::unique_ptr<qc::VlcMediaEngine> engine;  // made by the first parts()
    qc::CurlDownload download;
    qc::QtUpdateFolders folders;
    qc::DetachedLauncher launcher;

    qc::Form1Parts parts(std::string updateAddress = {}, const std::vector<std::string>& engineArgs = {}) {
        if (!engine) engine = std::make_unique<qc::VlcMediaEngine>(qc::postToQt(), engineArgs);
        return {*engine, {download, folders, launcher}, std::move(updateAddress)};
    }
};

}  // namespace qctest
