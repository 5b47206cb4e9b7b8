// Serves the demo pages to the memory benchmark from a process of its own, so that neither the
// server nor the libraries it needs count as the program's memory. Prints its address on one
// line, then serves until its standard input closes (the benchmark has ended, however).
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "support/http_server.h"

namespace {

using vantle::test::HttpServer;

std::string ReadFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

// The demo pages the program delivers, each under its own name, and the Rotator's first page.
bool ServeDemoPages(HttpServer& server) {
    const std::filesystem::path dir = VANTLE_DEMO_PAGES;
    for (const char* name : {"refresh1.html", "refresh2.html", "rotate1.html", "rotate2.html",
                             "rotate3.html", "rotate4.html", "rotate5.html"}) {
        const std::string page = ReadFile(dir / name);
        if (page.empty()) {
            std::fprintf(stderr, "cannot read %s\n", (dir / name).c_str());
            return false;
        }
        server.Serve(std::string("/") + name, page);
    }
    server.Serve("/portal.html", ReadFile(dir / "rotate1.html"));
    server.Serve("/demo.css", HttpServer::Page{ReadFile(dir / "demo.css"), "text/css"});
    server.Serve("/demo.js", HttpServer::Page{ReadFile(dir / "demo.js"), "application/javascript"});
    return true;
}

}  // namespace

int main() {
    HttpServer server;
    if (!ServeDemoPages(server)) return 1;
    std::printf("%s\n", server.Url("").c_str());
    std::fflush(stdout);
    char ignored[64];
    while (read(STDIN_FILENO, ignored, sizeof ignored) > 0) {
    }
    return 0;
}
