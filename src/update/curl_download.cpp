#include "update/curl_download.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <vector>

#include "shared/lazy_library.h"

namespace qc {

namespace {

struct Sink {
    int fd = -1;
    std::size_t written = 0;
    std::size_t cap = 0;
};

// Also enforces the cap for answers that announce no length.
size_t writeBody(char* data, size_t size, size_t count, void* user) {
    auto* sink = static_cast<Sink*>(user);
    const size_t n = size * count;
    if (sink->written + n > sink->cap) return 0;  // aborts the transfer
    for (size_t done = 0; done < n;) {
        ssize_t w = ::write(sink->fd, data + done, n - done);
        if (w < 0) {
            if (errno == EINTR) continue;
            return 0;
        }
        done += static_cast<size_t>(w);
    }
    sink->written += n;
    return n;
}

// A temporary file beside the target, so that the final rename stays on one file system.
class TempFile {
public:
    explicit TempFile(const std::string& target) : name_(target + ".XXXXXX") {
        std::vector<char> buf(name_.begin(), name_.end());
        buf.push_back('\0');
        fd_ = ::mkostemp(buf.data(), O_CLOEXEC);
        if (fd_ >= 0) {
            name_.assign(buf.data());
            ::fchmod(fd_, 0644);
        }
    }
    ~TempFile() {
        if (fd_ >= 0) ::close(fd_);
        if (!kept_) ::unlink(name_.c_str());
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    int fd() const { return fd_; }
    bool renameTo(const std::string& target) {
        int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0) return false;
        if (::rename(name_.c_str(), target.c_str()) != 0) return false;
        kept_ = true;
        return true;
    }

private:
    std::string name_;
    int fd_ = -1;
    bool kept_ = false;
};

// libcurl and what it pulls in (TLS, LDAP, Kerberos, SSH, RTMP) take milliseconds to load, so it
// is loaded with the first download rather than at start-up.
struct CurlApi {
    decltype(&curl_global_init) globalInit = nullptr;
    decltype(&curl_easy_init) easyInit = nullptr;
    decltype(&curl_easy_setopt) setopt = nullptr;
    decltype(&curl_easy_perform) perform = nullptr;
    decltype(&curl_easy_getinfo) getinfo = nullptr;
    decltype(&curl_easy_cleanup) cleanup = nullptr;
};

void bindCurl(Library& lib, CurlApi& a) {
    lib.bind(a.globalInit, "curl_global_init");
    lib.bind(a.easyInit, "curl_easy_init");
    lib.bind(a.setopt, "curl_easy_setopt");
    lib.bind(a.perform, "curl_easy_perform");
    lib.bind(a.getinfo, "curl_easy_getinfo");
    lib.bind(a.cleanup, "curl_easy_cleanup");
}

// Null when libcurl can't be loaded; then every download fails.
const CurlApi* curlApi() {
    return loadOnce<CurlApi>("libcurl.so.4", bindCurl,  // its soname since 2006
                             [](const CurlApi& a) { return a.globalInit(CURL_GLOBAL_DEFAULT) == CURLE_OK; });
}

struct EasyDeleter {
    void operator()(CURL* c) const { curlApi()->cleanup(c); }
};

}  // namespace

CurlDownload::CurlDownload(DownloadLimits limits) : limits_(limits) {}

bool CurlDownload::DownloadFile(const std::string& address, const std::string& path) {
    try {
        const CurlApi* api = curlApi();
        if (!api) return false;
        std::unique_ptr<CURL, EasyDeleter> curl(api->easyInit());
        if (!curl) return false;
        TempFile temp(path);
        if (temp.fd() < 0) return false;
        Sink sink{temp.fd(), 0, limits_.maxBytes};

        CURL* c = curl.get();
        bool ok = api->setopt(c, CURLOPT_URL, address.c_str()) == CURLE_OK &&
                  api->setopt(c, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK &&
                  api->setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https") == CURLE_OK;
        if (!ok) return false;
        api->setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
        api->setopt(c, CURLOPT_MAXREDIRS, limits_.maxRedirects);
        api->setopt(c, CURLOPT_FAILONERROR, 1L);
        api->setopt(c, CURLOPT_NOSIGNAL, 1L);
        // Nothing is taken from the environment, a proxy included.
        api->setopt(c, CURLOPT_PROXY, "");
        api->setopt(c, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limits_.connectTimeout.count()));
        api->setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
        api->setopt(c, CURLOPT_LOW_SPEED_TIME, static_cast<long>(limits_.stallTimeout.count()));
        api->setopt(c, CURLOPT_TIMEOUT_MS, static_cast<long>(std::chrono::milliseconds(limits_.totalTimeout).count()));
        api->setopt(c, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits_.maxBytes));
        api->setopt(c, CURLOPT_WRITEFUNCTION, writeBody);
        api->setopt(c, CURLOPT_WRITEDATA, &sink);

        if (api->perform(c) != CURLE_OK) return false;
        long status = 0;
        api->getinfo(c, CURLINFO_RESPONSE_CODE, &status);
        // Only a 2xx body is the descriptor; an error page or an unfollowed redirect is not.
        if (status < 200 || status > 299) return false;
        return temp.renameTo(path);
    } catch (...) {
        return false;
    }
}

}  // namespace qc
