#include "support/http_server.h"

#include <httplib.h>

#include <optional>

namespace vantle::test {

HttpServer::HttpServer() : server_(std::make_unique<httplib::Server>()) {
    server_->Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
        std::optional<Page> page;
        {
            std::lock_guard lock(mutex_);
            requests_.push_back({request.path, std::chrono::steady_clock::now()});
            if (auto it = pages_.find(request.path); it != pages_.end()) page = it->second;
        }
        if (!page) {
            response.status = 404;
            response.set_content("<html><body>not found</body></html>", "text/html");
            return;
        }
        std::this_thread::sleep_for(page->delay);
        if (!page->redirectTo.empty()) return response.set_redirect(page->redirectTo);
        response.set_header("Cache-Control", "no-store");
        response.set_content(page->body, page->contentType);
    });
    // One request per connection: a kept-alive connection would hold stop() for its whole
    // keep-alive timeout at the end of every test.
    server_->set_keep_alive_max_count(1);
    port_ = server_->bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    // Debian 12's cpp-httplib has no wait_until_ready; the listener is up within moments.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!server_->is_running() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (!server_->is_running()) throw std::runtime_error("test HTTP server did not start");
}

HttpServer::~HttpServer() {
    server_->stop();
    thread_.join();
}

void HttpServer::Serve(const std::string& path, Page page) {
    std::lock_guard lock(mutex_);
    pages_[path] = std::move(page);
}

std::string HttpServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::vector<HttpServer::Request> HttpServer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

std::vector<HttpServer::Request> HttpServer::RequestsFor(const std::string& path) const {
    std::vector<Request> matching;
    for (const Request& request : Requests())
        if (request.path == path) matching.push_back(request);
    return matching;
}

void HttpServer::ClearRequests() {
    std::lock_guard lock(mutex_);
    requests_.clear();
}

}  // namespace vantle::test
