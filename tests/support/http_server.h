#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
}

namespace vantle::test {

// An HTTP server on 127.0.0.1 with an ephemeral port, serving pages set by the test and
// recording every request with the time it arrived.
class HttpServer {
  public:
    struct Request {
        std::string path;
        std::chrono::steady_clock::time_point at;
    };
    struct Page {
        std::string body = {};
        std::string contentType = "text/html";
        std::chrono::milliseconds delay{0};  // answer this late, to keep a pane busy
        std::string redirectTo = {};         // answer with a redirect instead
    };

    HttpServer();
    ~HttpServer();

    void Serve(const std::string& path, Page page);
    void Serve(const std::string& path, const std::string& body) { Serve(path, Page{body}); }
    // http://127.0.0.1:PORT + path
    std::string Url(const std::string& path) const;

    std::vector<Request> Requests() const;
    std::vector<Request> RequestsFor(const std::string& path) const;
    std::size_t CountFor(const std::string& path) const { return RequestsFor(path).size(); }
    void ClearRequests();

  private:
    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
    int port_ = 0;
    mutable std::mutex mutex_;
    std::map<std::string, Page> pages_;
    std::vector<Request> requests_;
};

}  // namespace vantle::test
